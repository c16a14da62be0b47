#include "gui/window_look.h"

#include <algorithm>

#include <QFontDatabase>
#include <QLabel>
#include <QStringList>

namespace velmoraine::gui {

namespace {
constexpr int kFontPixels = 11;

// The faces the windows were laid out with travel inside the program (Qt resources), so the
// layout does not depend on the fonts a desktop happens to have. Registered once, on first use.
void loadShippedFonts() {
    static const bool loaded = [] {
        bool all = true;
        for (const char *face : {"LiberationSans-Regular", "LiberationSans-Bold", "LiberationMono-Regular"}) {
            const QString path = QStringLiteral(":/velmoraine/fonts/%1.ttf").arg(QLatin1String(face));
            all = QFontDatabase::addApplicationFont(path) >= 0 && all;
        }
        return all;
    }();
    (void)loaded;
}
} // namespace

QString shippedSansFamily() { return QStringLiteral("Liberation Sans"); }

QFont windowFont() {
    loadShippedFonts();
    QFont font;
    font.setFamilies(
        {shippedSansFamily(), QStringLiteral("Arial"), QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    return font;
}

QFont monospaceFont() {
    loadShippedFonts();
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Mono"), QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono")});
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

FittingLabel::FittingLabel(const QString &text, QWidget *parent) : QLabel(text, parent) { setWordWrap(true); }

// The size of the text on one line, as an unwrapped label measures it.
QSize FittingLabel::sizeHint() const {
    const QRect text = fontMetrics().boundingRect(
        QRect(0, 0, 2000, 2000), Qt::TextExpandTabs | Qt::TextShowMnemonic | static_cast<int>(alignment()),
        this->text());
    const int frame = 2 * margin();
    return (text.size() + QSize(frame, frame)).grownBy(contentsMargins()) + QSize(indent() > 0 ? indent() : 0, 0);
}

QSize FittingLabel::minimumSizeHint() const {
    const QSize least = QLabel::minimumSizeHint();
    if (!wordWrap() || minimumWidth() != maximumWidth()) {
        return least;
    }
    return {least.width(), std::max(least.height(), heightForWidth(minimumWidth()))};
}

QLabel *plainLabel(const char *objectName, const char *text, QWidget *parent) {
    auto *label = new FittingLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *boldLabel(const char *objectName, const char *text, QWidget *parent) {
    QLabel *label = plainLabel(objectName, text, parent);
    label->setFont(boldOnly());
    return label;
}

QLabel *wrappedLabel(const char *objectName, const char *text, int width, QWidget *parent,
                     std::optional<Qt::Alignment> alignment) {
    QLabel *label = plainLabel(objectName, text, parent);
    label->setWordWrap(true);
    label->setFixedWidth(width);
    if (alignment) {
        label->setAlignment(*alignment);
    }
    return label;
}

} // namespace velmoraine::gui
