// png_compare COMMITTED DRAWN PERMILLE: whether two pictures show the same thing.
// Same size, and at most PERMILLE thousandths of the pixels differ by more than a
// font's smoothing would (a layout change moves far more). Prints what differs.
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <algorithm>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: png_compare COMMITTED DRAWN PERMILLE\n");
        return 2;
    }
    const QImage a = QImage(argv[1]).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(argv[2]).convertToFormat(QImage::Format_RGB32);
    if (a.isNull() || b.isNull()) {
        std::printf("cannot read a picture\n");
        return 1;
    }
    if (a.size() != b.size()) {
        std::printf("%dx%d, drawn now %dx%d\n", a.width(), a.height(), b.width(), b.height());
        return 1;
    }
    long long differ = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::max({std::abs(qRed(la[x]) - qRed(lb[x])), std::abs(qGreen(la[x]) - qGreen(lb[x])),
                                    std::abs(qBlue(la[x]) - qBlue(lb[x]))});
            differ += d > 64;
        }
    }
    const long long total = static_cast<long long>(a.width()) * a.height();
    const long long allowed = total * std::atoll(argv[3]) / 1000;
    if (differ > allowed) {
        std::printf("%lld of %lld pixels differ (%lld allowed)\n", differ, total, allowed);
        return 1;
    }
    return 0;
}
