#include "simulator/loginsession.h"

#include "simulator/simoptions.h"

namespace PtxSim {

namespace {
const QByteArray LoginPrompt("Login: ");
const QByteArray PasswordPrompt("Password: ");
const QByteArray Refusal("\r\nLogin incorrect\r\n");
const QByteArray LineEnd("\r\n");
}

LoginSession::LoginSession(const Options *options) : opts(options) {}

QByteArray LoginSession::start() const
{
    return LoginPrompt;
}

QByteArray LoginSession::feed(const QByteArray &bytes, QByteArray *rest)
{
    QByteArray reply;
    pending.append(bytes);
    while (current == Step::User || current == Step::Password) {
        const int eol = int(pending.indexOf('\n'));
        if (eol < 0) {
            if (pending.size() > MaxLineLength) {
                current = Step::Refused;
                reply.append(Refusal);
            }
            break;
        }
        QByteArray line = pending.left(eol);
        pending.remove(0, eol + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        reply.append(answerLine(line));
    }
    if (current == Step::Done)
        rest->append(pending);
    if (current == Step::Done || current == Step::Refused)
        pending.clear();
    return reply;
}

QByteArray LoginSession::answerLine(const QByteArray &line)
{
    if (line.size() > MaxLineLength) {
        current = Step::Refused;
        return Refusal;
    }
    if (current == Step::User) {
        user = line;
        current = Step::Password;
        return PasswordPrompt;
    }
    const bool accepted = !opts->faults.refuseLogin && user == opts->user.toUtf8()
                          && line == opts->password.toUtf8();
    if (!accepted) {
        current = Step::Refused;
        return Refusal;
    }
    current = Step::Done;
    return opts->greeting.toUtf8() + LineEnd;
}

} // namespace PtxSim
