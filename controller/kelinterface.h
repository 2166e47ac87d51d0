// KelInterface: the one object that talks to the PTX4100 controller and runs recipes on it.
#pragma once

#include "controller/protocol.h"
#include "config/configdefaults.h"
#include "config/telemetrysettings.h"
#include "motion/travellimits.h"
#include "recipe/recipepoint.h"
#include "recipe/runestimate.h"
#include "recipe/runlog.h"
#include "recipe/runprogress.h"
#include "recipe/runspeeds.h"
#include "recipe/runnerstates.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QThread>

class QTcpSocket;
class QTimer;
class QFile;

// One queued controller command.
struct cmdBufferStruct {
    unsigned int dev = 0;
    unsigned int cmd = 0;
    unsigned int index = 0;
    long data = 0;
    bool ret = false;
    long *retValPtr = nullptr;
    long retVal = 0;
    bool done = true;
    bool waitforcompl = false;
    bool error = false;
    bool wrapper = false;
    QString wcmd;
};

class KelInterface : public QThread
{
    Q_OBJECT

public:
    enum InterfaceState : unsigned int {
        INT_INIT = 0,
        INT_NORMAL = 1,
        INT_SYSCHECK = 2,
        INT_WAITFORCMD = 3,
        INT_CALIB = 4,
        INT_GETPTS = 5,
        INT_SETPTS = 6
    };

    // Values of connectChanged().
    enum ConnectionState : int { NotConnected = 0, Connecting = 1, SystemReady = 2 };

    // Values of posMode() and posModeChanged(): a relative bit and a skew bit.
    enum PositionMode : int {
        ModeAbsolute = 0,
        ModeRelative = 1,
        ModeSkew = 2,
        ModeRelativeSkew = ModeRelative | ModeSkew
    };

    // Receive states held in connectionState: the log-in text, then packet mode.
    enum ReceiveState : unsigned int {
        RxWaitLogin = 0,
        RxWaitPassword = 1,
        RxWaitGreetingEnd = 2,
        RxHunt = 3,
        RxHeader = 4,
        RxData = 5,
        RxComplete = 6
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
    unsigned int currentInterfaceState() const { return interfaceState; }

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
    void setTelemetry(const Ptx::TelemetrySettings &settings);

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

protected:
    void run() override;

    // Members below are protected rather than private so that tests can reach them
    // through a subclass; nothing else derives from this class.
protected slots:
    void readData();
    void processPacket();
    void sendPacket(uint dev, uint cmd, uint index, uint dlen, long data);
    void sendWrapPacket(uint dev, QString cmd);
    void onTimer();
    void processCommand();
    void onSocketLost();
    void onSocketConnected();

protected:
    void setModPresent(uint module, bool state);
    void processState();
    void stateNormal();
    void stateSysCheck();
    void updatePosition();

    // --- link (controller/) ---
    // Feeds received bytes through the receive state machine; readData() hands it every
    // byte the socket holds.
    void receiveBytes(const QByteArray &bytes);
    // Frames packet-mode bytes: every complete packet is processed, bad frames and the junk
    // between packets are passed over, and the start of an unfinished packet waits in rxbuf.
    void receivePackets(const unsigned char *data, unsigned int size);
    void handleLoginText();
    void writeToController(const QByteArray &bytes);
    void resetLink();
    // Starts the work tick, unless a test steps it through tick().
    void startTick();
    // The log-in has finished: the tick goes over to the start-up.
    void loginFinished();
    // Gives up a connection attempt: "CONNECT FAILED!!!!", back to the start.
    void connectFailed();
    // Withdraws the entry awaiting its reply and every entry not yet sent: each is done,
    // with its error flag set, and the ring is empty.
    void withdrawPending();
    // Done/error of a ring entry; an index that names no entry counts as done.
    bool cmdDone(int index) const;
    bool cmdError(int index) const;
    void advanceTail();
    // Status reads while a run goes: what the run waits on first (controller/runpolling.cpp).
    bool runPollingActive() const;
    void pollForRun();
    int runPollNext = 0;            // next read of the rotation
    bool runPollServedWait = false; // the last read was for what the run waits on
    void stateInit();
    void queueDefaultSpeeds();

    QTcpSocket *tcpSocket = nullptr;
    QTimer *timer = nullptr;
    QString ipAddr;
    unsigned int connectionState = RxWaitLogin;
    unsigned char rxbuf[Ptx::RxBufSize] = {};
    unsigned int rxbufptr = 0;
    unsigned int rxlen = 0;
    bool connected = false;
    int tickMs = Ptx::TickMs;
    bool inTick = false;
    bool linkUp = false;            // TCP connection made and not yet closed or lost
    bool connecting = false;        // connection or log-in under way
    bool packetSeen = false;        // the controller has answered in packets on this link
    QDeadlineTimer connectDeadline; // a connection or log-in still under way then fails
    unsigned int linkGeneration = 0; // counts resets, so a loop can tell it was reset

    // --- command ring and status (controller/) ---
    cmdBufferStruct commandBuffer[Ptx::CmdBufSize];
    unsigned int cmdBufHead = 0;
    unsigned int cmdBufTail = 0;
    unsigned int cmdBufState = 0;
    bool waitforresp = false;
    int waitForRespTimer = 0;
    bool longWaitForResp = false;
    unsigned int modulespresent = 0;
    unsigned int mbusy = 0;
    long xpos = 0;
    long ypos = 0;
    long zpos = 0;
    long fw1CurPos = 0;
    long fw2CurPos = 0;
    long fwShut1Pos = 0;
    long fwShut2Pos = 0;
    long fwShut3Pos = 0;

    // --- start-up and system check (controller/) ---
    unsigned int interfaceState = INT_INIT;
    unsigned int nextInterfaceState = INT_INIT;
    unsigned int interfaceSubState = 0;
    bool doStageCenter = false;
    bool doStageCenterTemp = false;
    long fw1NumPos = 0;
    long fw2NumPos = 0;
    // Working values of the state machines, kept between ticks.
    int stateCmdIndex = 0;
    unsigned int probeModule = 0;
    int settleCount = 0;

    // --- coordinate modes (motion/) ---
    double fxpos = 0.0;
    double fypos = 0.0;
    double fzpos = 0.0;
    bool inRelative = false;
    bool inSkew = false;
    double relx = 0.0;
    double rely = 0.0;
    double relz = 0.0;
    double AlnPoint1x = 0.0;
    double AlnPoint1y = 0.0;
    double AlnPoint2x = 0.0;
    double AlnPoint2y = 0.0;

    // --- motion (motion/) ---
    // Queues one command without a reply, unless value cannot be a 32-bit data word: then
    // nothing is queued and Ptx::NotQueued is returned.
    int queueChecked(uint dev, uint cmd, uint index, double value);
    bool stageTargetXY(double x, double y, double *stageX, double *stageY) const;
    bool refuseOutsideTravel(const QString &why);
    // Moves the stage to a stage position in mm, whatever the coordinate mode; index gets
    // the Y command's entry.
    void moveStageTo(double x, double y, int *index);
    double xincr = 1.0;
    double yincr = 1.0;
    double zincr = 1.0;

    // --- settings (config/) ---
    QFile *cfgFile = nullptr;
    void unusableConfigFile(bool copied);
    QString configNoticeText;
    bool keepConfigFile = false;    // the unreadable file has no copy: do not overwrite it
    double speedXY = Ptx::DefaultSpeedXY;
    double stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    double cenSpeedXY = Ptx::DefaultCenSpeedXY;
    double defxincr = Ptx::DefaultIncrXY;
    double defyincr = Ptx::DefaultIncrXY;
    bool loadptEnXY = false;
    bool loadptEnZ = false;
    double loadptX = Ptx::DefaultLoadPoint;
    double loadptY = Ptx::DefaultLoadPoint;
    double loadptZ = Ptx::DefaultLoadPoint;
    double speedZ = Ptx::DefaultSpeedZ;
    double micronsPerStepZ = Ptx::DefaultMicronsPerStepZ;
    double defzincr = Ptx::DefaultIncrZ;
    QString defaultRecipeName;
    bool doRecipeAutoStart = false;
    Ptx::TravelLimits travelLimits;
    Ptx::TelemetrySettings telemetry;

    // --- recipe engine (recipe/) ---
    QStringList recipe;
    QString rcpFileName;

    recipePointStruct pointList[Ptx::PointListSize];
    recipePointStruct rptPointList[Ptx::RptListSize];
    recipePointStruct fmacroPointList[Ptx::MacroListSize];
    Ptx::EntryOrigin pointOrigin[Ptx::PointListSize];
    int patternPlacements = 0;
    int macroInsertions = 0;
    int numPointsDefined = 0;
    int numRptPointsDefined = 0;
    int numMacroPointsDefined = 0;
    int curLineProcessing = 0;
    QString procLine;
    bool repeatDefining = false;
    bool repeatDefined = false;
    bool repeatActive = false;
    bool macroDefining = false;
    bool macroDefined = false;
    bool scanRecipe = false;
    bool teachAlign = false;
    // The ALIGN points and INCR steps of the compiled recipe, in force once START runs it.
    double rcpAlnPoint1x = 0.0;
    double rcpAlnPoint1y = 0.0;
    double rcpAlnPoint2x = 0.0;
    double rcpAlnPoint2y = 0.0;
    double rcpXIncr = 1.0;
    double rcpYIncr = 1.0;
    double fpt1x = 0.0, fpt1y = 0.0, fpt2x = 0.0, fpt2y = 0.0;
    double fpt3x = 0.0, fpt3y = 0.0, fpt4x = 0.0, fpt4y = 0.0;
    qint32 curDelay = 1000;
    qint32 rptDelay = 0;
    qint32 curFDelay = 0;
    double curSpeedXY = 0.0;
    double curSpeedZ = 0.0;
    double rptSpeedXY = 0.0;
    double rptSpeedZ = 0.0;
    double defrepx = 0.0;
    double defrepy = 0.0;

    // Path geometry working values of LINE, CIRCLE and ARC; reset at every compile.
    double line_x[2] = {};
    double line_y[2] = {};
    double line_dist = 0.0;
    int line_steps = 0;
    double line_x_incr = 0.0;
    double line_y_incr = 0.0;
    int line_count = 0;
    double circle_x[3] = {};
    double circle_y[3] = {};
    double center_x = 0.0;
    double center_y = 0.0;
    double circle_radius = 0.0;
    int circle_steps = 0;
    double circle_start_angle = 0.0;
    double circle_angle = 0.0;
    int circle_dir = 1;         // 0 after find_arc when the arc's direction is undefined

    // Lines of the last compile that were skipped or stopped it, ready for display.
    QStringList compileProblemLines;
    int compileProblemsUnlisted = 0;

    int recipeState = 0;
    int recipeIndex = 0;
    int curPoint = 0;
    bool recipeRunning = false;
    bool recipePaused = false;
    bool recipeInDelay = false;
    int recipeDelay = -1;
    bool contMacro = false;

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
    // Runner working values, kept from one tick to the next.
    bool firstmove = true;
    double curscanx = 0.0;
    double curscany = 0.0;
    double curscanz = 0.0;
    double curspeedxy = 0.0;
    double curspeedz = 0.0;
    int delaycnt = 0;
    bool wexp1 = false;
    bool wexp2 = false;
    bool wexp3 = false;
    int prevrcpstate = -1;

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
    // The speeds the runner last set on this connection; forgotten whenever they may no longer
    // be in force (connection, halt, stop, start of a run, system check, a reply lost, any
    // other speed command).
    Ptx::RunSpeeds runSpeeds;
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
    // The run's time-left model, its working time and its log line.
    Ptx::RunEstimate runEstimate;
    QElapsedTimer runClock;
    qint64 lastRunTickMs = 0;
    double runWorkMs = 0.0;
    double entryStartMs = 0.0;
    Ptx::RunRecord runRecord;
    Ptx::RunEnding runEnding = Ptx::RunEnding::Stop;
    bool alignTaught = false;
    // A run started at a later entry: that entry (from 0) and what is sent before it.
    int firstEntry = 0;
    QVector<recipePointStruct> restoreList;
    int restoreIndex = 0;
    unsigned int restoreBusy = 0;
    // --- end of recipe engine ---
};
