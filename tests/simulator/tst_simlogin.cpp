// The simulator's server side: log-in, refusal, one client at a time, hanging up.
#include "rawclient.h"
#include "simulator/simulator.h"

#include <QSignalSpy>
#include <QtTest>

using namespace SimTest;

class TestSimLogin : public QObject
{
    Q_OBJECT

private slots:
    void clientAddressNamesTheLoopbackPort();
    void builtInCredentialsAreTheDefault();
    void loginOutcome_data();
    void loginOutcome();
    void loginLineOverLongIsRefused();
    void packetsInTheSameWriteAsThePasswordAreServed();
    void secondClientWaitsForTheFirst();
    void dropClientHangsUp();
};

void TestSimLogin::clientAddressNamesTheLoopbackPort()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    QVERIFY(sim.serverPort() != 0);
    QCOMPARE(sim.clientAddress(), QStringLiteral("127.0.0.1:%1").arg(sim.serverPort()));
}

void TestSimLogin::builtInCredentialsAreTheDefault()
{
    const PtxSim::Options o;
    QCOMPARE(o.user, QString::fromLatin1(Ptx::LoginUser));
    QCOMPARE(o.password, QString::fromLatin1(Ptx::LoginPassword));
}

void TestSimLogin::loginOutcome_data()
{
    QTest::addColumn<QString>("simUser");
    QTest::addColumn<QString>("simPassword");
    QTest::addColumn<bool>("refuseSwitch");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("accepted");

    const QString u = QString::fromLatin1(Ptx::LoginUser);
    const QString p = QString::fromLatin1(Ptx::LoginPassword);
    QTest::newRow("built-in credentials") << u << p << false << QByteArray(Ptx::LoginUser) << QByteArray(Ptx::LoginPassword) << true;
    QTest::newRow("CRLF line ends") << u << p << false << QByteArray(Ptx::LoginUser) + '\r' << QByteArray(Ptx::LoginPassword) + '\r' << true;
    QTest::newRow("wrong user") << u << p << false << QByteArray("admin") << QByteArray(Ptx::LoginPassword) << false;
    QTest::newRow("wrong password") << u << p << false << QByteArray(Ptx::LoginUser) << QByteArray("xyz") << false;
    QTest::newRow("empty password") << u << p << false << QByteArray(Ptx::LoginUser) << QByteArray() << false;
    QTest::newRow("refuse switch") << u << p << true << QByteArray(Ptx::LoginUser) << QByteArray(Ptx::LoginPassword) << false;
    QTest::newRow("own credentials") << "lab" << "s3cret" << false << QByteArray("lab") << QByteArray("s3cret") << true;
    QTest::newRow("built-in ones then refused") << "lab" << "s3cret" << false << QByteArray(Ptx::LoginUser) << QByteArray(Ptx::LoginPassword) << false;
}

void TestSimLogin::loginOutcome()
{
    QFETCH(QString, simUser);
    QFETCH(QString, simPassword);
    QFETCH(bool, refuseSwitch);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);

    PtxSim::Simulator sim;
    sim.setCredentials(simUser, simPassword);
    sim.setRefuseLogin(refuseSwitch);
    QSignalSpy connectedSpy(&sim, &PtxSim::Simulator::clientConnected);
    QSignalSpy loggedInSpy(&sim, &PtxSim::Simulator::loggedIn);
    QSignalSpy refusedSpy(&sim, &PtxSim::Simulator::loginRefused);
    QSignalSpy goneSpy(&sim, &PtxSim::Simulator::clientDisconnected);
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.waitText("Login:"));
    QCOMPARE(connectedSpy.count(), 1);
    client.rx.clear();
    client.sendRaw(user + '\n');
    QVERIFY(client.waitText("Password:"));
    client.rx.clear();
    client.sendRaw(password + '\n');
    if (accepted) {
        QVERIFY(client.waitText("\n"));
        QVERIFY(client.rx.endsWith('\n'));
        QVERIFY(!client.rx.contains('#'));
        QCOMPARE(loggedInSpy.count(), 1);
        QVERIFY(sim.isLoggedIn());
        QCOMPARE(client.request(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition).cmd,
                 int(Ptx::CmdRead + Ptx::ReplyOffset));
    } else {
        QVERIFY(QTest::qWaitFor([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, WaitMs));
        QVERIFY(client.rx.contains("Login incorrect"));
        QCOMPARE(refusedSpy.count(), 1);
        QCOMPARE(goneSpy.count(), 1);
        QCOMPARE(loggedInSpy.count(), 0);
        QVERIFY(!sim.hasClient());
    }
}

void TestSimLogin::loginLineOverLongIsRefused()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.waitText("Login:"));
    client.sendRaw(QByteArray(5000, 'a'));
    QVERIFY(QTest::qWaitFor([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, WaitMs));
    QVERIFY(client.rx.contains("Login incorrect"));
}

void TestSimLogin::packetsInTheSameWriteAsThePasswordAreServed()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.waitText("Login:"));
    client.sendRaw(QByteArray(Ptx::LoginUser) + '\n');
    QVERIFY(client.waitText("Password:"));
    client.rx.clear();
    client.sendRaw(QByteArray(Ptx::LoginPassword) + '\n' + packetBytes(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0));
    QVERIFY(client.waitText("\n"));
    client.rx.remove(0, client.rx.indexOf('\n') + 1);
    Reply reply;
    QVERIFY(client.waitReply(&reply));
    QCOMPARE(reply.dev, int(Ptx::DevController));
    QCOMPARE(reply.index, int(Ptx::IdxBusyMask));
}

void TestSimLogin::secondClientWaitsForTheFirst()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    RawClient first;
    QVERIFY(first.connectTo(sim.serverPort()));
    QVERIFY(first.login());
    RawClient second;
    QVERIFY(second.connectTo(sim.serverPort()));
    // The first client keeps being served while the second one waits for its prompt.
    QCOMPARE(first.request(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition).index, int(Ptx::IdxPosition));
    QVERIFY(second.rx.isEmpty());
    first.socket.disconnectFromHost();
    QVERIFY(second.waitText("Login:"));
    QVERIFY(second.login());
    QCOMPARE(second.request(Ptx::DevY, Ptx::CmdRead, Ptx::IdxPosition).dev, int(Ptx::DevY));
}

void TestSimLogin::dropClientHangsUp()
{
    PtxSim::Simulator sim;
    QSignalSpy goneSpy(&sim, &PtxSim::Simulator::clientDisconnected);
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.login());
    QVERIFY(sim.hasClient());
    sim.dropClient();
    QVERIFY(!sim.hasClient());
    QCOMPARE(goneSpy.count(), 1);
    QVERIFY(QTest::qWaitFor([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, WaitMs));
    RawClient next;
    QVERIFY(next.connectTo(sim.serverPort()));
    QVERIFY(next.login());
}

QTEST_GUILESS_MAIN(TestSimLogin)
#include "tst_simlogin.moc"
