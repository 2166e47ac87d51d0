// Keypad dialog: the editing keys, how its text is read, its place and keys on the screen;
// and the arrow icons the screens load.
#include "dialogs/numinputbox.h"
#include "modaldriver.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QIcon>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {
// The smallest touch key, in pixels.
constexpr QSize KeySize(75, 51);
} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("value");

        QTest::newRow("all digits in order") << "" << "1234567890" << "1234567890";
        QTest::newRow("leading zeros kept") << "" << "007" << "007";
        QTest::newRow("second point ignored") << "" << "1.5." << "1.5";
        QTest::newRow("point on empty entry") << "" << "." << ".";
        QTest::newRow("sign on empty entry") << "" << "-" << "-";
        QTest::newRow("sign twice on empty entry") << "" << "--" << "";
        QTest::newRow("sign on 12.5") << "12.5" << "-" << "-12.5";
        QTest::newRow("sign twice on 12.5") << "12.5" << "--" << "12.5";
        QTest::newRow("sign in front of typed digits") << "" << "42-" << "-42";
        QTest::newRow("backspace drops last") << "123" << "<" << "12";
        QTest::newRow("backspace on one character") << "7" << "<" << "";
        QTest::newRow("backspace on empty") << "" << "<<" << "";
        QTest::newRow("backspace removes point, point allowed again") << "1." << "<.2" << "1.2";
        QTest::newRow("digits follow a start value") << "0" << "482" << "0482";
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, value);

        NumInputBox box;
        box.setValue(start);
        QVERIFY(typeKeys(box, keys));
        QCOMPARE(box.getStrVal(), value);
        auto *field = box.findChild<QTextEdit *>(QStringLiteral("textEdit"));
        QCOMPARE(field->toPlainText(), value);
        QCOMPARE(field->textCursor().position(), int(value.size()));
    }

    void getters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("intVal");
        QTest::addColumn<double>("doubleVal");

        QTest::newRow("negative integer") << "-17" << -17 << -17.0;
        QTest::newRow("leading zeros") << "0482.7093" << 0 << 482.7093;
        QTest::newRow("trailing point") << "3." << 0 << 3.0;
        QTest::newRow("leading point") << ".25" << 0 << 0.25;
        QTest::newRow("minus only") << "-" << 0 << 0.0;
        QTest::newRow("empty") << "" << 0 << 0.0;
        QTest::newRow("beyond int") << "3000000000" << 0 << 3e9;
        QTest::newRow("beyond double") << QString(400, QLatin1Char('9')) << 0 << 0.0;
    }

    void getters()
    {
        QFETCH(QString, text);
        QFETCH(int, intVal);
        QFETCH(double, doubleVal);

        NumInputBox box;
        box.setValue(text);
        QCOMPARE(box.getStrVal(), text);
        QCOMPARE(box.getIntVal(), intVal);
        QCOMPARE(box.getDoubleVal(), doubleVal);
    }

    // Left alone between two questions, the keypad keeps its text.
    void keepsTextBetweenRuns()
    {
        NumInputBox box;
        for (const char *keys : {"3.", "5"}) {
            QTimer::singleShot(0, &box, [&box, keys] {
                if (QApplication::activeModalWidget() == &box && typeKeys(box, QLatin1String(keys)))
                    box.accept();
                else
                    box.reject();
            });
            QCOMPARE(box.exec(), int(QDialog::Accepted));
        }
        QCOMPARE(box.getStrVal(), QStringLiteral("3.5"));
    }

    // The keypad opens in the middle of the screen. OK and Cancel are touch keys like the
    // others, standing in the third and fourth rows.
    void placeAndKeys()
    {
        QWidget parent;
        parent.setGeometry(10, 10, 200, 100);
        parent.show();
        NumInputBox box(&parent);
        box.centreOnScreen();
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.pos() + box.rect().center(), box.screen()->geometry().center());

        const auto buttons = box.findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 16);   // HALT included
        for (QPushButton *b : buttons)
            QVERIFY2(b->width() >= KeySize.width() && b->height() >= KeySize.height(),
                     qPrintable(b->text()));
        const auto top = [&box](QWidget *w) { return w->mapTo(&box, QPoint()).y(); };
        auto *pair = box.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QCOMPARE(top(pair->button(QDialogButtonBox::Ok)), top(box.findChild<QWidget *>("butDig3")));
        QCOMPARE(top(pair->button(QDialogButtonBox::Cancel)), top(box.findChild<QWidget *>("butPt")));
    }

    // Each arrow is compiled in: a dark arrow on a clear background, none the same picture.
    void icons()
    {
        QList<QImage> seen;
        for (const char *name : {"UpArrow", "DownArrow", "LeftArrow", "RigthArrow",
                                 "PrevArrow", "NextArrow"}) {
            const QString path = QStringLiteral(":/icons/%1.png").arg(QLatin1String(name));
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
            QVERIFY(!QIcon(path).pixmap(QSize(32, 32)).isNull());
            QVERIFY2(!seen.contains(image), name);
            seen << image;
        }
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
