// The controller's text log-in: "Login:" and "Password:" prompts, then a greeting line.
#pragma once

#include <QByteArray>

namespace PtxSim {

struct Options;

class LoginSession
{
public:
    enum class Step { User, Password, Done, Refused };

    // Credentials and the refuse switch are read from `options` when the password arrives.
    explicit LoginSession(const Options *options);

    QByteArray start() const;               // the first prompt
    // Takes client bytes and returns the text to send back. Bytes after the password line
    // are left in `rest` for the packet framer.
    QByteArray feed(const QByteArray &bytes, QByteArray *rest);
    Step step() const { return current; }

    static constexpr int MaxLineLength = 256;   // a longer answer refuses the log-in

private:
    QByteArray answerLine(const QByteArray &line);

    const Options *opts;
    Step current = Step::User;
    QByteArray pending;
    QByteArray user;
};

} // namespace PtxSim
