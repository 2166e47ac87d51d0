#include "config/numbertext.h"

namespace Ptx {

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace Ptx
