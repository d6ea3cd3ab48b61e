// scale_icon SOURCE.png SIZE OUT.png: a window icon for a larger place in the icon
// theme. Each pixel becomes a square block, so the drawing stays as sharp as the
// window's own icon instead of blurring.
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("Uso: scale_icon ORIGEN.png LADO DESTINO.png\n", stderr);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    const int side = QByteArray(argv[2]).toInt();
    if (source.isNull() || side < 1) {
        std::fprintf(stderr, "scale_icon: no puedo leer %s o el lado %s no vale\n", argv[1],
                     argv[2]);
        return 1;
    }
    const QImage scaled = source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return scaled.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
