#include "platform/window_look.h"

#include <QLabel>
#include <QStringList>

namespace velmoraine::platform {

namespace {
constexpr int kFontPixels = 11;
} // namespace

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    return font;
}

QFont monospaceFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(kFontPixels);
    return font;
}

QFont boldOnly() {
    QFont font;
    font.setBold(true);
    return font;
}

QLabel *plainLabel(const char *objectName, const char *text, QWidget *parent) {
    auto *label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace velmoraine::platform
