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
    speedXY = Ptx::DefaultSpeedXY;
    stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    cenSpeedXY = Ptx::DefaultCenSpeedXY;
    defxincr = Ptx::DefaultIncrXY;
    defyincr = Ptx::DefaultIncrXY;
    doStageCenter = false;
    loadptX = Ptx::DefaultLoadPoint;
    loadptY = Ptx::DefaultLoadPoint;
    loadptZ = Ptx::DefaultLoadPoint;
    loadptEnXY = false;
    loadptEnZ = false;
    speedZ = Ptx::DefaultSpeedZ;
    micronsPerStepZ = Ptx::DefaultMicronsPerStepZ;
    defzincr = Ptx::DefaultIncrZ;
    defaultRecipeName.clear();
    doRecipeAutoStart = false;
    travelLimits = Ptx::TravelLimits();
    telemetry = Ptx::TelemetrySettings();
    configNoticeText.clear();
    keepConfigFile = false;

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
            speedXY = numberFromText(text);
        else if (name == key(StepsPerMM))
            stepsPerMMxy = numberFromText(text);
        else if (name == key(CenSpeed))
            cenSpeedXY = numberFromText(text);
        else if (name == key(DefIncr))
            defxincr = defyincr = numberFromText(text);
        else if (name == key(CenOnStart))
            doStageCenter = boolFromText(text);
        else if (name == key(LoadPtX))
            loadptX = numberFromText(text);
        else if (name == key(LoadPtY))
            loadptY = numberFromText(text);
        else if (name == key(LoadPtZ))
            loadptZ = numberFromText(text);
        else if (name == key(LoadPtXYEnable))
            loadptEnXY = boolFromText(text);
        else if (name == key(LoadPtZEnable))
            loadptEnZ = boolFromText(text);
        else if (name == key(XMin))
            readLimit(name, text, &travelLimits.x.min);
        else if (name == key(XMax))
            readLimit(name, text, &travelLimits.x.max);
        else if (name == key(YMin))
            readLimit(name, text, &travelLimits.y.min);
        else if (name == key(YMax))
            readLimit(name, text, &travelLimits.y.max);
    });
    readGroup(doc, Focus, [this](const QString &name, const QString &text) {
        if (name == key(Speed))
            speedZ = numberFromText(text);
        else if (name == key(MicronsPerStep))
            micronsPerStepZ = numberFromText(text);
        else if (name == key(DefIncr))
            defzincr = numberFromText(text);
        else if (name == key(ZMin))
            readLimit(name, text, &travelLimits.z.min);
        else if (name == key(ZMax))
            readLimit(name, text, &travelLimits.z.max);
    });
    for (const QString &axis : travelLimits.dropCrossed())
        Ptx::diag(QStringLiteral("%1 TRAVEL LIMITS IGNORED: MINIMUM ABOVE MAXIMUM").arg(axis));
    readGroup(doc, Recipe, [this](const QString &name, const QString &text) {
        if (name == key(FileName))
            defaultRecipeName = text;
        else if (name == key(AutoStart))
            doRecipeAutoStart = boolFromText(text);
    });

    telemetry.enabled = !doc.elementsByTagName(key(Telemetry)).isEmpty();
    if (telemetry.enabled)
        telemetry.broker = key(Ptx::DefaultTelemetryBroker);
    readGroup(doc, Telemetry, [this](const QString &name, const QString &text) {
        if (name == key(Broker))
            telemetry.broker = text;
        else if (name == key(Prefix))
            telemetry.prefix = text;
        else if (name == key(User))
            telemetry.user = text;
        else if (name == key(Password))
            telemetry.password = text;
        else if (name == key(CaFile))
            telemetry.cafile = text;
    });

    stepsPerMMxy = Ptx::usableResolution(stepsPerMMxy, Ptx::DefaultStepsPerMMxy,
                                         key(StepsPerMM));
    micronsPerStepZ = Ptx::usableResolution(micronsPerStepZ, Ptx::DefaultMicronsPerStepZ,
                                            key(MicronsPerStep));
}

// Without a copy of it the operator's file is the only one left: the defaults are used but
// the file stays as it is until a setting is saved.
void KelInterface::unusableConfigFile(bool copied)
{
    const QString fileName = cfgFile->fileName();
    keepConfigFile = !copied;
    configNoticeText =
        copied ? QStringLiteral("SETTINGS FILE %1 UNREADABLE: DEFAULTS IN USE, OLD FILE KEPT AS %2")
                     .arg(fileName, fileName + key(Ptx::BadConfigSuffix))
               : QStringLiteral("SETTINGS FILE %1 UNREADABLE: DEFAULTS IN USE, FILE LEFT AS IT IS")
                     .arg(fileName);
}

QString KelInterface::configNotice() const
{
    return configNoticeText;
}

void KelInterface::writeConfigData()
{
    using namespace Ptx::ConfigKey;
    QDomDocument doc;
    QDomElement root = appendElement(doc, doc, Root);
    appendLeaf(doc, root, IpAddr, ipAddr);

    QDomElement stage = appendElement(doc, root, Stage);
    appendLeaf(doc, stage, Speed, speedXY);
    appendLeaf(doc, stage, StepsPerMM, stepsPerMMxy);
    appendLeaf(doc, stage, CenSpeed, cenSpeedXY);
    appendLeaf(doc, stage, DefIncr, defxincr);
    appendLeaf(doc, stage, CenOnStart, doStageCenter);
    appendLeaf(doc, stage, LoadPtX, loadptX);
    appendLeaf(doc, stage, LoadPtY, loadptY);
    appendLeaf(doc, stage, LoadPtZ, loadptZ);
    appendLeaf(doc, stage, LoadPtXYEnable, loadptEnXY);
    appendLeaf(doc, stage, LoadPtZEnable, loadptEnZ);
    appendLimit(doc, stage, XMin, travelLimits.x.min);
    appendLimit(doc, stage, XMax, travelLimits.x.max);
    appendLimit(doc, stage, YMin, travelLimits.y.min);
    appendLimit(doc, stage, YMax, travelLimits.y.max);

    QDomElement focus = appendElement(doc, root, Focus);
    appendLeaf(doc, focus, Speed, speedZ);
    appendLeaf(doc, focus, MicronsPerStep, micronsPerStepZ);
    appendLeaf(doc, focus, DefIncr, defzincr);
    appendLimit(doc, focus, ZMin, travelLimits.z.min);
    appendLimit(doc, focus, ZMax, travelLimits.z.max);

    QDomElement recipeGroup = appendElement(doc, root, Recipe);
    appendLeaf(doc, recipeGroup, FileName, defaultRecipeName);
    appendLeaf(doc, recipeGroup, AutoStart, doRecipeAutoStart);

    // A panel without telemetry writes no element for it, so its file stays as it was.
    if (telemetry.enabled) {
        QDomElement group = appendElement(doc, root, Telemetry);
        appendLeaf(doc, group, Broker, telemetry.broker);
        appendLeaf(doc, group, Prefix, telemetry.prefix);
        appendLeaf(doc, group, User, telemetry.user);
        appendLeaf(doc, group, Password, telemetry.password);
        appendLeaf(doc, group, CaFile, telemetry.cafile);
    }

    QString error;
    if (!Ptx::writeFileAtomically(cfgFile->fileName(), doc.toByteArray(IndentPerLevel), &error))
        Ptx::diag(QStringLiteral("%1 NOT WRITTEN: %2").arg(cfgFile->fileName(), error));
}
