// Renders the program's icon into a hicolor theme tree at build time, from
// the same drawing code the window uses, so the installed icons and the
// window's icon cannot drift apart.
//   kovaplex-render-icons OUTDIR NAME
// writes OUTDIR/hicolor/<n>x<n>/apps/NAME.png for every size, and
// OUTDIR/hicolor/scalable/apps/NAME.svg when built with Qt SVG.

#include "player/AppIcon.h"

#include <QDir>
#include <QPainter>
#include <QString>

#ifdef KOVAPLEX_WITH_SVG
#include <QSvgGenerator>
#endif

#include <cstdio>

#ifdef KOVAPLEX_WITH_SVG
namespace {

bool writeSvg(const QString &file)
{
    constexpr int Side = 64; // the drawing's own grid: one user unit per grid step
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(QSize(Side, Side));
    svg.setViewBox(QRect(0, 0, Side, Side));
    svg.setTitle(QStringLiteral("Kovaplex"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    drawAppIcon(painter, Side, true);
    return painter.end();
}

} // namespace
#endif

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    bool ok = true;
    for (const int size : AppIconSizes) {
        const QString dir = out.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
        ok = QDir().mkpath(dir) && appIconImage(size).save(QDir(dir).filePath(name + ".png"), "PNG") && ok;
    }
#ifdef KOVAPLEX_WITH_SVG
    const QString scalable = out.filePath(QStringLiteral("hicolor/scalable/apps"));
    ok = QDir().mkpath(scalable) && writeSvg(QDir(scalable).filePath(name + ".svg")) && ok;
#endif
    if (!ok)
        std::fprintf(stderr, "%s: cannot write the icons under %s\n", argv[0], argv[1]);
    return ok ? 0 : 1;
}
