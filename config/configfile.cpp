// Reading and writing "config.xml": the settings of KelInterface as one small XML document.
#include "config/atomicfile.h"
#include "config/configdefaults.h"
#include "config/numbertext.h"
#include "config/resolution.h"
#include "config/xmlguard.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <functional>

namespace {

constexpr int IndentPerLevel = 4;
// The panel's own file is under 1 KiB. A far larger one is not its own, and parsing one of
// deeply nested elements takes time that grows faster than its size, stalling the start.
constexpr qint64 MaxFileBytes = 64 * 1024;
const QString TrueText = QStringLiteral("true");
const QString FalseText = QStringLiteral("false");

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// Only the exact text "true" is true; anything else is false.
bool boolFromText(const QString &text)
{
    return text == TrueText;
}

// Text that is not a number reads as 0.
double numberFromText(const QString &text)
{
    return text.toDouble();
}

QDomElement appendElement(QDomDocument &doc, QDomNode &parent, const char *name)
{
    QDomElement element = doc.createElement(key(name));
    parent.appendChild(element);
    return element;
}

void appendLeaf(QDomDocument &doc, QDomNode &parent, const char *name, const QString &text)
{
    appendElement(doc, parent, name).appendChild(doc.createTextNode(text));
}

void appendLeaf(QDomDocument &doc, QDomNode &parent, const char *name, double value)
{
    appendLeaf(doc, parent, name, Ptx::numberText(value));
}

void appendLeaf(QDomDocument &doc, QDomNode &parent, const char *name, bool value)
{
    appendLeaf(doc, parent, name, value ? TrueText : FalseText);
}

// A travel limit is kept only when its text is a finite number: a mistyped limit must not
// become a limit at 0.
void readLimit(const QString &name, const QString &text, double *limit)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(value))
        *limit = value;
    else
        Ptx::diag(QStringLiteral("%1 IGNORED: NOT A NUMBER (%2)").arg(name, text));
}

// Limits are written only where one is set, so a file without limits stays as it was.
void appendLimit(QDomDocument &doc, QDomNode &parent, const char *name, double value)
{
    if (std::isfinite(value))
        appendLeaf(doc, parent, name, value);
}

// Hands each direct child element of the first element called groupName anywhere in the
// document to visit, with its name and text.
void readGroup(const QDomDocument &doc, const char *groupName,
               const std::function<void(const QString &, const QString &)> &visit)
{
    const QDomElement group = doc.elementsByTagName(key(groupName)).item(0).toElement();
    for (QDomElement child = group.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        visit(child.tagName(), child.text());
}

// Keeps a copy of a file that could not be used, so that the operator's settings can be
// recovered by hand after the defaults have replaced them. False when no copy could be made.
bool keepBadFile(const QString &fileName, const QString &reason)
{
    const QString badName = fileName + key(Ptx::BadConfigSuffix);
    QFile::remove(badName);
    QFile original(fileName);
    const bool copied = original.copy(badName);
    const QString outcome =
        copied ? QStringLiteral("COPIED TO %1").arg(badName)
               : QStringLiteral("NOT COPIED TO %1: %2").arg(badName, original.errorString());
    Ptx::diag(QStringLiteral("%1 UNREADABLE (%2), %3").arg(fileName, reason, outcome));
    return copied;
}

void noteUnreadable(const QString &fileName, const QString &reason)
{
    Ptx::diag(QStringLiteral("%1 UNREADABLE (%2), LEFT AS IT IS").arg(fileName, reason));
}

} // namespace

void KelInterface::readConfigData()
{
    settings.speedXY = Ptx::DefaultSpeedXY;
    settings.stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    settings.cenSpeedXY = Ptx::DefaultCenSpeedXY;
    settings.defxincr = Ptx::DefaultIncrXY;
    settings.defyincr = Ptx::DefaultIncrXY;
    startup.doStageCenter = false;
    settings.loadptX = Ptx::DefaultLoadPoint;
    settings.loadptY = Ptx::DefaultLoadPoint;
    settings.loadptZ = Ptx::DefaultLoadPoint;
    settings.loadptEnXY = false;
    settings.loadptEnZ = false;
    settings.speedZ = Ptx::DefaultSpeedZ;
    settings.micronsPerStepZ = Ptx::DefaultMicronsPerStepZ;
    settings.defzincr = Ptx::DefaultIncrZ;
    settings.defaultRecipeName.clear();
    settings.doRecipeAutoStart = false;
    settings.travelLimits = Ptx::TravelLimits();
    settings.telemetry = Ptx::TelemetrySettings();
    settings.configNoticeText.clear();
    settings.keepConfigFile = false;

    const QString fileName = cfgFile->fileName();
    const QFileInfo info(fileName);
    if (!info.exists()) {
        writeConfigData();
        return;
    }
    // A file that is there but cannot be read may still hold the operator's settings: it is
    // neither copied nor replaced. Only a plain file is opened: a pipe would block the start.
    QFile file(fileName);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        noteUnreadable(fileName, info.isFile() ? file.errorString() : QStringLiteral("not a plain file"));
        unusableConfigFile(false);
        return;
    }
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        noteUnreadable(fileName, file.errorString());
        unusableConfigFile(false);
        return;
    }
    file.close();
    if (bytes.size() > MaxFileBytes) {
        unusableConfigFile(keepBadFile(fileName,
                                       QStringLiteral("larger than %1 bytes").arg(MaxFileBytes)));
        return;
    }
    const QString shapeProblem = Ptx::xmlShapeProblem(bytes);
    if (!shapeProblem.isEmpty()) {
        unusableConfigFile(keepBadFile(fileName, shapeProblem));
        return;
    }

    QDomDocument doc;
    QString error;
    int errorLine = 0;
    if (!doc.setContent(bytes, &error, &errorLine)) {
        unusableConfigFile(
            keepBadFile(fileName, QStringLiteral("line %1: %2").arg(errorLine).arg(error)));
        return;
    }

    const QDomElement addr = doc.elementsByTagName(key(Ptx::ConfigKey::IpAddr)).item(0).toElement();
    if (!addr.isNull())
        ipAddr = addr.text();

    using namespace Ptx::ConfigKey;
    readGroup(doc, Stage, [this](const QString &name, const QString &text) {
        if (name == key(Speed))
            settings.speedXY = numberFromText(text);
        else if (name == key(StepsPerMM))
            settings.stepsPerMMxy = numberFromText(text);
        else if (name == key(CenSpeed))
            settings.cenSpeedXY = numberFromText(text);
        else if (name == key(DefIncr))
            settings.defxincr = settings.defyincr = numberFromText(text);
        else if (name == key(CenOnStart))
            startup.doStageCenter = boolFromText(text);
        else if (name == key(LoadPtX))
            settings.loadptX = numberFromText(text);
        else if (name == key(LoadPtY))
            settings.loadptY = numberFromText(text);
        else if (name == key(LoadPtZ))
            settings.loadptZ = numberFromText(text);
        else if (name == key(LoadPtXYEnable))
            settings.loadptEnXY = boolFromText(text);
        else if (name == key(LoadPtZEnable))
            settings.loadptEnZ = boolFromText(text);
        else if (name == key(XMin))
            readLimit(name, text, &settings.travelLimits.x.min);
        else if (name == key(XMax))
            readLimit(name, text, &settings.travelLimits.x.max);
        else if (name == key(YMin))
            readLimit(name, text, &settings.travelLimits.y.min);
        else if (name == key(YMax))
            readLimit(name, text, &settings.travelLimits.y.max);
    });
    readGroup(doc, Focus, [this](const QString &name, const QString &text) {
        if (name == key(Speed))
            settings.speedZ = numberFromText(text);
        else if (name == key(MicronsPerStep))
            settings.micronsPerStepZ = numberFromText(text);
        else if (name == key(DefIncr))
            settings.defzincr = numberFromText(text);
        else if (name == key(ZMin))
            readLimit(name, text, &settings.travelLimits.z.min);
        else if (name == key(ZMax))
            readLimit(name, text, &settings.travelLimits.z.max);
    });
    for (const QString &axis : settings.travelLimits.dropCrossed())
        Ptx::diag(QStringLiteral("%1 TRAVEL LIMITS IGNORED: MINIMUM ABOVE MAXIMUM").arg(axis));
    readGroup(doc, Recipe, [this](const QString &name, const QString &text) {
        if (name == key(FileName))
            settings.defaultRecipeName = text;
        else if (name == key(AutoStart))
            settings.doRecipeAutoStart = boolFromText(text);
    });

    settings.telemetry.enabled = !doc.elementsByTagName(key(Telemetry)).isEmpty();
    if (settings.telemetry.enabled)
        settings.telemetry.broker = key(Ptx::DefaultTelemetryBroker);
    readGroup(doc, Telemetry, [this](const QString &name, const QString &text) {
        if (name == key(Broker))
            settings.telemetry.broker = text;
        else if (name == key(Prefix))
            settings.telemetry.prefix = text;
        else if (name == key(User))
            settings.telemetry.user = text;
        else if (name == key(Password))
            settings.telemetry.password = text;
        else if (name == key(CaFile))
            settings.telemetry.cafile = text;
    });

    settings.stepsPerMMxy = Ptx::usableResolution(settings.stepsPerMMxy, Ptx::DefaultStepsPerMMxy,
                                         key(StepsPerMM));
    settings.micronsPerStepZ = Ptx::usableResolution(settings.micronsPerStepZ, Ptx::DefaultMicronsPerStepZ,
                                            key(MicronsPerStep));
}

// Without a copy of it the operator's file is the only one left: the defaults are used but
// the file stays as it is until a setting is saved.
void KelInterface::unusableConfigFile(bool copied)
{
    const QString fileName = cfgFile->fileName();
    settings.keepConfigFile = !copied;
    settings.configNoticeText =
        copied ? QStringLiteral("SETTINGS FILE %1 UNREADABLE: DEFAULTS IN USE, OLD FILE KEPT AS %2")
                     .arg(fileName, fileName + key(Ptx::BadConfigSuffix))
               : QStringLiteral("SETTINGS FILE %1 UNREADABLE: DEFAULTS IN USE, FILE LEFT AS IT IS")
                     .arg(fileName);
}

QString KelInterface::configNotice() const
{
    return settings.configNoticeText;
}

void KelInterface::writeConfigData()
{
    using namespace Ptx::ConfigKey;
    QDomDocument doc;
    QDomElement root = appendElement(doc, doc, Root);
    appendLeaf(doc, root, IpAddr, ipAddr);

    QDomElement stage = appendElement(doc, root, Stage);
    appendLeaf(doc, stage, Speed, settings.speedXY);
    appendLeaf(doc, stage, StepsPerMM, settings.stepsPerMMxy);
    appendLeaf(doc, stage, CenSpeed, settings.cenSpeedXY);
    appendLeaf(doc, stage, DefIncr, settings.defxincr);
    appendLeaf(doc, stage, CenOnStart, startup.doStageCenter);
    appendLeaf(doc, stage, LoadPtX, settings.loadptX);
    appendLeaf(doc, stage, LoadPtY, settings.loadptY);
    appendLeaf(doc, stage, LoadPtZ, settings.loadptZ);
    appendLeaf(doc, stage, LoadPtXYEnable, settings.loadptEnXY);
    appendLeaf(doc, stage, LoadPtZEnable, settings.loadptEnZ);
    appendLimit(doc, stage, XMin, settings.travelLimits.x.min);
    appendLimit(doc, stage, XMax, settings.travelLimits.x.max);
    appendLimit(doc, stage, YMin, settings.travelLimits.y.min);
    appendLimit(doc, stage, YMax, settings.travelLimits.y.max);

    QDomElement focus = appendElement(doc, root, Focus);
    appendLeaf(doc, focus, Speed, settings.speedZ);
    appendLeaf(doc, focus, MicronsPerStep, settings.micronsPerStepZ);
    appendLeaf(doc, focus, DefIncr, settings.defzincr);
    appendLimit(doc, focus, ZMin, settings.travelLimits.z.min);
    appendLimit(doc, focus, ZMax, settings.travelLimits.z.max);

    QDomElement recipeGroup = appendElement(doc, root, Recipe);
    appendLeaf(doc, recipeGroup, FileName, settings.defaultRecipeName);
    appendLeaf(doc, recipeGroup, AutoStart, settings.doRecipeAutoStart);

    // A panel without telemetry writes no element for it, so its file stays as it was.
    if (settings.telemetry.enabled) {
        QDomElement group = appendElement(doc, root, Telemetry);
        appendLeaf(doc, group, Broker, settings.telemetry.broker);
        appendLeaf(doc, group, Prefix, settings.telemetry.prefix);
        appendLeaf(doc, group, User, settings.telemetry.user);
        appendLeaf(doc, group, Password, settings.telemetry.password);
        appendLeaf(doc, group, CaFile, settings.telemetry.cafile);
    }

    QString error;
    if (!Ptx::writeFileAtomically(cfgFile->fileName(), doc.toByteArray(IndentPerLevel), &error))
        Ptx::diag(QStringLiteral("%1 NOT WRITTEN: %2").arg(cfgFile->fileName(), error));
}
