#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace app {

namespace {

QString FirstInstalled(const QStringList& candidates, const QString& fallback) {
    // One listing of the installed families answers every candidate. QFontDatabase::hasFamily()
    // takes the same listing and first runs the name through the font configuration's
    // substitution rules, a cost start-up would pay again for every name tried.
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive)) return family;
    }
    return fallback;
}

QFont MakeFont(const QString& family, int pixelHeight, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setItalic(false);
    return font;
}

}  // namespace

QString GulimFamily() {
    static const QString family =
        FirstInstalled({QStringLiteral("굴림체"), QStringLiteral("GulimChe"),
                        QStringLiteral("NanumGothicCoding"), QStringLiteral("Baekmuk Gulim")},
                       QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    return family;
}

QString SansFamily() {
    static const QString family =
        FirstInstalled({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                        QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")},
                       QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    return family;
}

QFont GulimFont(int pixelHeight, bool bold) {
    return MakeFont(GulimFamily(), pixelHeight, bold);
}

QFont SansFont(int pixelHeight, bool bold) {
    return MakeFont(SansFamily(), pixelHeight, bold);
}

}  // namespace app
