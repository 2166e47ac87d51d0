// config_read_bench: how long reading "config.xml" takes for files up to the reader's
// 64 KiB cap in the shapes that are hardest on an XML parser: deep nesting closed and
// unclosed, many elements side by side, many attributes, long texts.
#include "controller/kelinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int Repetitions = 5;
constexpr qsizetype Cap = 64 * 1024;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// head, then unit repeated while the file stays within the cap, then tail.
QByteArray upToCap(const QByteArray &head, const QByteArray &unit, const QByteArray &tail)
{
    const qsizetype count = (Cap - head.size() - tail.size()) / unit.size();
    return head + unit.repeated(count) + tail;
}

QByteArray attributes(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += " a" + QByteArray::number(i) + "=\"1\"";
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(dropMessage);
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    const int depth = (Cap - 20) / 7;
    const struct {
        const char *name;
        QByteArray text;
    } shapes[] = {
        {"unclosed elements", upToCap("<archive>", "<a>", "")},
        {"nested and closed", "<archive>" + QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth) + "</archive>"},
        {"elements side by side", upToCap("<archive><stage>", "<speed>7</speed>", "</stage></archive>")},
        {"64 attributes each", upToCap("<archive>", "<a" + attributes(64) + "/>", "</archive>")},
        {"one element, all attributes", "<archive" + attributes(6000).left(Cap - 20) + "/>"},
        {"long text", upToCap("<archive><ipaddr>", "&amp;", "</ipaddr></archive>")},
    };
    double worst = 0.0;
    {
        KelInterface kel(QStringLiteral("127.0.0.1"));
        for (const auto &shape : shapes) {
            std::vector<double> cpu;
            for (int i = 0; i < Repetitions; ++i) {
                QFile file(QStringLiteral("config.xml"));
                if (!file.open(QIODevice::WriteOnly) || file.write(shape.text) != shape.text.size())
                    return 1;
                file.close();
                const double start = threadCpuMs();
                kel.readConfigData();
                cpu.push_back(threadCpuMs() - start);
            }
            std::sort(cpu.begin(), cpu.end());
            worst = std::max(worst, cpu[cpu.size() / 2]);
            std::printf("%-28s %6lld bytes: read cpu median %.2f ms, fastest %.2f ms\n", shape.name,
                        static_cast<long long>(shape.text.size()), cpu[cpu.size() / 2], cpu.front());
        }
    }
    std::printf("slowest read: %.2f ms (goal: well under 100 ms)\n", worst);
    QDir::setCurrent(previousDir);
    return 0;
}
