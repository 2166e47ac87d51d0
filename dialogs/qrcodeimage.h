// A QR code of a short text, drawn as a black-on-white image a phone camera can read.
#pragma once

#include <QByteArray>
#include <QImage>

namespace Ptx {

// The code of text, each module moduleSize pixels square, inside the four-module white
// border readers need. A null image when the text cannot be encoded (too long).
QImage qrCodeImage(const QByteArray &text, int moduleSize);

} // namespace Ptx
