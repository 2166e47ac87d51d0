// Fuzz target "teachline": any bytes as a recipe file are read line by line as the recipe
// editor reads them, without harm; a line the editor recognises reads back as itself once
// rebuilt, and the teaching frame of every row is worked out.
#include "dialogs/scanline.h"
#include "dialogs/teachframe.h"
#include "recipe/recipefile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList lines = Ptx::recipeFileLines(text);
    for (int row = 0; row < lines.size(); ++row) {
        TeachValues values;
        const ScannedLine first = scanTeachLine(lines.at(row), &values);
        if (first.commandType != CMD_END) {
            const ScannedLine again = scanTeachLine(first.line, &values);
            if (again.commandType != first.commandType || again.line != first.line)
                std::abort();
        }
        const TeachFrame frame = teachFrame(lines, row);
        if (!frame.repeat && (frame.refX != 0.0 || frame.refY != 0.0))
            std::abort();
    }
    return 0;
}
