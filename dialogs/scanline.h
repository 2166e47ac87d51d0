// The recipe editor's line scanner: recognises a line by its keyword, reads its values into
// the teach slots and rebuilds the line as the editor shows it.
#pragma once

#include "dialogs/teachcodes.h"

#include <QString>
#include <QStringView>

struct ScannedLine {
    int commandType = CMD_END;   // CMD_END: no rule matched, nothing to teach
    QString line;                // the line as rebuilt by the last matching rule
};

// Tests every rule in order against the line as the rules before it left it, and keeps
// what the last matching rule made of it. Only the slots of matching rules are written.
ScannedLine scanTeachLine(const QString &line, TeachValues *values);

// Reads count comma-separated decimals from text; a missing field, or one that is not a
// number, reads 0.
void readTeachReals(QStringView text, double *values, int count);
