#include "dialogs/qrcodeimage.h"

#include <QPainter>

#include <qrencode.h>

#include <memory>

namespace {

// The white border around the code, in modules, that the QR standard asks for.
constexpr int QuietZone = 4;
// Bit 0 of each module's byte says whether it is dark.
constexpr unsigned char DarkBit = 0x01;

} // namespace

namespace Ptx {

QImage qrCodeImage(const QByteArray &text, int moduleSize)
{
    // Version 0 picks the smallest code that holds the text; level M survives a smudge.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code || moduleSize < 1)
        return {};
    const int side = (code->width + 2 * QuietZone) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int row = 0; row < code->width; ++row) {
        for (int column = 0; column < code->width; ++column) {
            if (code->data[row * code->width + column] & DarkBit)
                painter.fillRect((column + QuietZone) * moduleSize, (row + QuietZone) * moduleSize,
                                 moduleSize, moduleSize, Qt::black);
        }
    }
    return image;
}

} // namespace Ptx
