// KelInterface: the one object that talks to the PTX4100 controller and runs recipes on it.
#pragma once

#include "config/panelsettings.h"
#include "controller/commandring.h"
#include "controller/controllerstatus.h"
#include "controller/linkreceiver.h"
#include "controller/protocol.h"
#include "controller/startupstate.h"
#include "motion/coordinateframe.h"
#include "recipe/compilerstate.h"
#include "recipe/runestimate.h"
#include "recipe/runlog.h"
#include "recipe/runnerstate.h"
#include "recipe/runprogress.h"

#include <QDeadlineTimer>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QThread>

class QTcpSocket;
class QTimer;
class QFile;

class KelInterface : public QThread
{
    Q_OBJECT

public:
    // The interface state machine's states, and where the receiver stands.
    using InterfaceState = StartupState::InterfaceState;
    using ReceiveState = LinkReceiver::ReceiveState;

    // Values of connectChanged().
    enum ConnectionState : int { NotConnected = 0, Connecting = 1, SystemReady = 2 };

    // Values of posMode() and posModeChanged(): a relative bit and a skew bit.
    enum PositionMode : int {
        ModeAbsolute = 0,
        ModeRelative = 1,
        ModeSkew = 2,
        ModeRelativeSkew = ModeRelative | ModeSkew
    };

    explicit KelInterface(QString addr, QObject *parent = nullptr);
    ~KelInterface() override;

    // Test seams. The work tick's period in milliseconds (25 in the product); 0 stops the
    // tick, and tick() then runs it one step at a time.
    void setTickPeriod(int ms);
    int tickPeriod() const { return tickMs; }
    void tick();
    // The commands queued and not yet finished, oldest first, as "dev,cmd,index,data".
    QStringList pendingCommands() const;
    // Whether a sent command waits for the controller's reply.
    bool awaitingReply() const;
    // Where the receiver stands: in the log-in text, or framing packets.
    ReceiveState receiveState() const;

public slots:
    // --- connection (controller/) ---
    bool openConnection();
    bool openConnection(QString ipaddr);
    void closeConnection();
    void setIpAddr(QString val);
    QString getIpAddr();
    bool isConnected();
    // The interface state machine's state (InterfaceState).
    unsigned int currentInterfaceState() const { return startup.interfaceState; }

    // --- command buffer and status (controller/) ---
    int addCommand(uint dev, uint cmd, uint index, long data, bool ret, long *val);
    int addCommand(uint dev, uint cmd, uint index, long data, bool ret);
    int addWrapperCommand(uint dev, QString cmd, bool ret);
    bool waitForDone();
    bool getModPresent(uint module);
    bool getModBusy(uint module);
    void haltAll();
    // Withdraws one entry that has not been sent yet: it is done with its error flag set and
    // is passed over when its turn comes. False when it was sent (or is on its way) already.
    bool withdrawCommand(int index);
    // Whether the entry is finished (for a command without reply: sent); an index that
    // names no entry counts as finished.
    bool isCommandDone(int index);
    void forceStageInit();

    // --- coordinate modes (motion/) ---
    bool isAbs();
    bool isRel();
    bool isSkew();
    int posMode();
    void setAbs();
    void setRel();
    void setRel(bool b);
    void setRel(double x, double y);
    void setSkew();
    void setNoSkew();
    void setAlignPt1(double x, double y);
    void setAlignPt2(double x, double y);
    void storeAln(int point);
    void moveToAln(int point);
    void SkewAbsToSpecimen(double ox, double oy, double *nx, double *ny);
    void SkewSpecimenToAbs(double ox, double oy, double *nx, double *ny);
    // The stage position in stage millimetres, whatever the coordinate mode.
    QPointF stagePositionXY() const;
    QPointF xyLoadPoint() const;
    // The alignment points in force, and whether the run has taught them.
    QPointF alignPoint(int point) const;  // 1 or 2, stage coordinates
    Ptx::SkewTransform alignment() const;
    bool alignmentTaught() const;
    // The alignment a run of the compiled list works in: the one the run taught, else the
    // compiled recipe's own ALIGN points.
    QPointF runAlignPoint(int point) const;  // 1 or 2, stage coordinates
    Ptx::SkewTransform runAlignment() const;

    // --- motion, wheels, shutters, load points (motion/) ---
    void moveXYTo(double x, double y);
    void moveXYTo(double x, double y, int *index);
    // Moves the stage to a position in stage millimetres, whatever the coordinate mode.
    void moveStageXYTo(double x, double y);
    void moveXTo(double x);
    void moveYTo(double y);
    void moveZTo(double z);
    void moveZTo(double z, int *index);
    void incX(bool pos);
    void incY(bool pos);
    void incZ(bool pos);
    void incX(bool pos, int *index);
    void incY(bool pos, int *index);
    void incZ(bool pos, int *index);
    void homeXY();
    void setXYLdPt();
    void goXYLdPt();
    void setZLdPt();
    void goZLdPt();
    void setXYLdPtEnable(bool enable);
    void setZLdPtEnable(bool enable);
    bool getXYLdPtEnable();
    bool getZLdPtEnable();
    void moveFW(int wh, long pos);
    void moveFW(int wh, long pos, int *index);
    void moveFWboth(long pos1, long pos2);
    void moveFWboth(long pos1, long pos2, int *index);
    void ctrlShutter(int sh, int pos);
    void ctrlShutter(int sh, int pos, int *index);
    long getFWnumPos(int wh);

    // --- settings (config/) ---
    void readConfigData();
    void writeConfigData();
    // What the operator must know about the settings file as last read (it could not be
    // used, and what became of it); empty when it was fine.
    QString configNotice() const;
    double getXYSpeed();
    void setXYSpeed(double spd);
    double getXYRes();
    void setXYRes(double res);
    double getXYCenSpeed();
    void setXYCenSpeed(double spd);
    double getXYDefIncr();
    void setXYDefIncr(double incr);
    bool getXYdoCenter();
    void setXYdoCenter(bool center);
    double getFocusSpeed();
    void setFocusSpeed(double spd);
    double getFocusRes();
    void setFocusRes(double res);
    double getFocusDefIncr();
    void setFocusDefIncr(double incr);
    QString getDefRecipeName();
    void setDefRecipeName(QString name);
    bool getRecipeAutoStart();
    void setRecipeAutoStart(bool aut);
    // Optional travel limits in stage coordinates; moves outside them are refused.
    Ptx::TravelLimits getTravelLimits() const;
    void setTravelLimits(const Ptx::TravelLimits &limits);
    // Where the panel publishes its state; not enabled when the file has no telemetry element.
    Ptx::TelemetrySettings getTelemetry() const;
    void setTelemetry(const Ptx::TelemetrySettings &publishing);

    // --- recipes: lines and files (recipe/) ---
    void setRecipe(QStringList list);
    QStringList getRecipe();
    void setFileName(QString name);
    QString getFileName();
    void saveRcp();
    void loadRcp();

    // --- recipes: compiler (recipe/) ---
    int ScanRecipe();
    int ProcessRecipe();
    // Compiles the recipe into the run list, its pattern, macro and problem lines, and
    // changes nothing else: the alignment points, jog increments, coordinate mode and speeds
    // stay as they are; only START applies what the recipe sets. While a run goes on its
    // list is kept: nothing is compiled and the result is false.
    bool compileRecipe();
    // Lines the last compile skipped or stopped at ("RECIPE LINE 7: CIRCLE POINTS IN A
    // LINE"); empty when every line compiled.
    QStringList compileProblems() const;
    // Read access to the lists of the last compile.
    int compiledPointCount() const;
    recipePointStruct compiledPoint(int index) const;
    Ptx::EntryOrigin compiledOrigin(int index) const;
    int compiledPatternCount() const;
    int compiledMacroCount() const;
    bool compiledAlign() const;

    // --- recipes: runner (recipe/) ---
    void runRecipe();
    void initRecipe();
    void startRecipe();
    void recipePause();
    void recipeContinue();
    void nextRecipePoint();
    void prevRecipePoint();
    void stopRecipe();
    void setContMacro(bool on);
    bool isRecipeRunning();
    bool isRecipePaused();
    bool isRecipeDelay();
    // The prompt the run waits at for the operator's RESUME; empty when it waits for none.
    QString operatorPrompt() const;
    // The run going on or the last one to end, as its runs.log line records it (no end time
    // while it goes on).
    Ptx::RunRecord lastRunRecord() const;
    // Starts a run as startRecipe() does, but at run-list entry entry (from 1): after the
    // load point and alignment steps the controller is brought to the state that entry
    // expects, and the entries before it are not run.
    void startRecipeAt(int entry);
    // The entry to offer for startRecipeAt(): the one after the last completed entry of the
    // last run of this recipe, when that run did not end DONE and the recipe is unchanged;
    // else 1.
    int proposedStartEntry();
    // Entry, pattern and macro pass and time left of the run.
    Ptx::RunProgress runProgress() const;
    // The time model of the compiled run list, from where the stage and wheels stand now.
    Ptx::RunEstimate estimateRun() const;

signals:
    void xPosChanged(double newvalue);
    void yPosChanged(double newvalue);
    void zPosChanged(double newvalue);
    void fw1PosChanged(long newvalue);
    void fw2PosChanged(long newvalue);
    void fwShutChanged(long sh1, long sh2, long sh3);
    void modulesPresentChanged();
    void busyChanged();
    void connectChanged(int value);
    void posModeChanged(int newvalue);
    void clrDisp();
    void addDispLine(QString value);
    void updateFileName(QString value);
    void updateRecipeSts();
    void loadPtXYEnableChanged(bool value);
    void loadPtZEnableChanged(bool value);

private slots:
    void readData();
    void processPacket();
    void sendPacket(uint dev, uint cmd, uint index, uint dlen, long data);
    void sendWrapPacket(uint dev, QString cmd);
    void onTimer();
    void processCommand();
    void onSocketLost();
    void onSocketConnected();

private:
    void run() override;

    // --- link (controller/) ---
    // Feeds received bytes through the receiver; readData() hands it every byte the socket holds.
    void receiveBytes(const QByteArray &bytes);
    // Frames packet-mode bytes: every complete packet is processed.
    void receivePackets(const unsigned char *data, unsigned int size);
    void writeToController(const QByteArray &bytes);
    void resetLink();
    // Starts the work tick, unless a test steps it through tick().
    void startTick();
    // The log-in has finished: the tick goes over to the start-up.
    void loginFinished();
    // Gives up a connection attempt: "CONNECT FAILED!!!!", back to the start.
    void connectFailed();
    // Withdraws the entry awaiting its reply and every entry not yet sent, and forgets the
    // run's speeds, since those not sent are not in force.
    void withdrawPending();
    void setModPresent(uint module, bool state);

    // --- start-up, system check and status reads (controller/) ---
    void processState();
    void stateInit();
    void stateNormal();
    void stateSysCheck();
    void queueDefaultSpeeds();
    // Status reads while a run goes: what the run waits on first.
    bool runPollingActive() const;
    void pollForRun();

    // --- motion (motion/) ---
    void updatePosition();
    // Queues one command without a reply, unless value cannot be a 32-bit data word: then
    // nothing is queued and Ptx::NotQueued is returned.
    int queueChecked(uint dev, uint cmd, uint index, double value);
    bool stageTargetXY(double x, double y, double *stageX, double *stageY) const;
    bool refuseOutsideTravel(const QString &why);
    // Moves the stage to a stage position in mm, whatever the coordinate mode; index gets
    // the Y command's entry.
    void moveStageTo(double x, double y, int *index);

    // --- settings (config/) ---
    void unusableConfigFile(bool copied);

    // --- recipe compiler (recipe/) ---
    int ProcessLine();
    int compileRunList();
    int AddPoint(double x, double y, double z, bool zmove);
    int AddFiltPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro);
    int AddRptPoint(double x, double y, double z, bool zmove);
    int AddFiltRptPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro);
    int AddFiltMacroPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro);
    int placePattern(double x, double y);
    void resetCompileState();
    void noteCompileProblem(const QString &reason);
    void rejectLine(const QString &reason);
    void listCompiledEntries();
    bool takePathPoints(const double *f, int points, QLatin1StringView keyword);
    int compileLine(const double *f);
    int compileCircle(const double *f, bool arc);
    bool addPathPoint(double x, double y);
    int HandleComb(bool raster);
    int find_line();
    int HandleLine();
    int find_circle();
    int find_arc();
    int HandleCircle();
    int HandleArc();
    double find_angle(double x1, double y1, double ctr_x, double ctr_y);
    double calc_slope(double x1, double y1, double x2, double y2);
    double calc_mid_points(double x1, double x2);

    // --- recipe runner (recipe/) ---
    unsigned int recipeModuleMask();
    void recipePrompt(const QString &text);
    void recipeAlignMove(double x, double y);
    void endRecipeRun();
    // The run stands where only the operator moves it on (prompt, dwell, exposure, pause).
    bool recipeWaitsForOperator() const;
    // The run-list entry curPoint, or null when curPoint names no compiled entry.
    const recipePointStruct *currentRecipeEntry() const;
    // Queues the entry's speeds unless they are in force already; false when nothing was queued.
    bool loadRecipeEntry();
    bool loadEntrySpeeds(const recipePointStruct &entry, double speedxy, double speedz);
    void sendRecipeEntry(const recipePointStruct &entry);
    bool queueRecipeSpeed(uint firstDev, uint lastDev, double stepsPerSecond);
    void stepRecipe(unsigned int mask);
    Ptx::RunWait recipeWaitsOn() const;
    void issueRecipeEntry();
    QString entryTravelRefusal(const recipePointStruct &entry) const;
    void holdOutsideTravel(const QString &why);
    void issueShutterEntry(quint32 shopt);
    void markRecipeEntryBusy();
    void settleRecipeEntry(unsigned int mask);
    void dwellRecipeEntry();
    void planRun();
    void noteRunTick();
    // Sends the restoring entries of a run started at a later entry, one after the other.
    void restoreRecipeState(bool idle);
    // The run got past entry index (from 0): logged as the last completed.
    void noteEntryCompleted(int index);
    void finishRunLog(Ptx::RunEnding ending);

    // The transport: the socket, the work tick and the connection's course.
    QTcpSocket *tcpSocket = nullptr;
    QTimer *timer = nullptr;
    QFile *cfgFile = nullptr;
    QString ipAddr;
    bool connected = false;
    int tickMs = Ptx::TickMs;
    bool inTick = false;
    bool linkUp = false;            // TCP connection made and not yet closed or lost
    bool connecting = false;        // connection or log-in under way
    bool packetSeen = false;        // the controller has answered in packets on this link
    QDeadlineTimer connectDeadline; // a connection or log-in still under way then fails
    unsigned int linkGeneration = 0; // counts resets, so a loop can tell it was reset

    // Each part's state, in its own home (see docs/architecture.md).
    LinkReceiver receiver;
    CommandRing ring;
    ControllerStatus status;
    StartupState startup;
    CoordinateFrame frame;
    PanelSettings settings;
    CompilerState compiler;
    RunnerState runner;
};
