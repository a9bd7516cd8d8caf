#include "platform/FontSubstitutes.h"

#include <QFont>
#include <QStringList>

namespace corvane {

void installJapaneseFontSubstitutes() {
    // Most alike first.
    static const QStringList gothic = {
        QStringLiteral("IPAGothic"),        QStringLiteral("IPAPGothic"),
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Source Han Sans JP"),
        QStringLiteral("TakaoGothic"),      QStringLiteral("VL Gothic"),
    };
    for (const char* family : {"MS UI Gothic", "Meiryo UI"}) {
        if (QFont::substitutes(QString::fromLatin1(family)).isEmpty()) {
            QFont::insertSubstitutions(QString::fromLatin1(family), gothic);
        }
    }
}

} // namespace corvane
