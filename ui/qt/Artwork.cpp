#include "ui/qt/Artwork.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstring>

namespace artwork {

namespace {
// Colours of the skin beyond those the layout fixes.
const QColor kFrameGrey(226, 228, 234);
const QColor kPanelTop(255, 255, 255);
const QColor kPanelBottom(234, 238, 246);
const QColor kPanelEdge(188, 194, 210);
const QColor kBlueTop(58, 110, 190);
const QColor kBlueBottom(20, 52, 120);
const QColor kBlueEdge(16, 40, 96);
const QColor kEmblemLight(120, 172, 238);
const QColor kEmblemDark(20, 70, 160);
const QColor kWarningRed(236, 44, 44);

// The panel's rectangles, in page coordinates (630 x 492).
const QRectF kUpperPanel(8, 8, 614, 160);
const QRectF kLowerPanel(8, 176, 614, 306);
const QPointF kLogoCentre(91, 92);
constexpr qreal kLogoRadius = 34;

void DrawEmblem(QPainter& p, QPointF c, qreal r) {
    p.save();
    QRadialGradient body(c - QPointF(r * 0.3, r * 0.35), r * 1.3);
    body.setColorAt(0, kEmblemLight);
    body.setColorAt(1, kEmblemDark);
    p.setPen(QPen(QColor(12, 44, 110), qMax<qreal>(1, r / 24)));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    // A disc seen from above: a white track ring and the centre hole.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, qMax<qreal>(1.5, r * 0.09)));
    p.drawEllipse(c, r * 0.64, r * 0.64);
    p.setPen(QPen(QColor(255, 255, 255, 150), qMax<qreal>(1, r * 0.04)));
    p.drawEllipse(c, r * 0.42, r * 0.42);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, r * 0.17, r * 0.17);
    p.setBrush(kEmblemDark);
    p.drawEllipse(c, r * 0.08, r * 0.08);
    // The gloss over the upper half.
    QLinearGradient gloss(c.x(), c.y() - r, c.x(), c.y());
    gloss.setColorAt(0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.x() - r * 0.8, c.y() - r * 0.95, r * 1.6, r * 1.0));
    p.restore();
}

void DrawTranslucentDisc(QPainter& p, QPointF c, qreal r) {
    p.save();
    QPainterPath ring;
    ring.addEllipse(c, r, r);
    ring.addEllipse(c, r * 0.16, r * 0.16);  // the hole: odd-even fill leaves it clear
    QRadialGradient body(c, r);
    body.setColorAt(0.0, QColor(255, 255, 255, 60));
    body.setColorAt(0.5, QColor(255, 255, 255, 24));
    body.setColorAt(1.0, QColor(255, 255, 255, 48));
    p.setPen(QPen(QColor(255, 255, 255, 80), 1.5));
    p.setBrush(body);
    p.drawPath(ring);
    QConicalGradient sheen(c, 30);
    sheen.setColorAt(0.00, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.12, QColor(190, 220, 255, 50));
    sheen.setColorAt(0.25, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.55, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.65, QColor(200, 230, 255, 40));
    sheen.setColorAt(0.80, QColor(255, 255, 255, 0));
    sheen.setColorAt(1.00, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawPath(ring);
    p.setBrush(Qt::NoBrush);
    for (qreal f : {0.36, 0.40, 0.93}) {
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.drawEllipse(c, r * f, r * f);
    }
    p.restore();
}

void DrawWarningIcon(QPainter& p, QPointF c, qreal r) {
    p.save();
    p.setPen(QPen(Qt::white, 1.5));
    QRadialGradient g(c - QPointF(r / 3, r / 3), r * 1.4);
    g.setColorAt(0, QColor(110, 170, 250));
    g.setColorAt(1, QColor(24, 96, 210));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - r * 0.14, c.y() - r * 0.62, r * 0.28, r * 0.8), r * 0.1, r * 0.1);
    p.drawEllipse(QPointF(c.x(), c.y() + r * 0.5), r * 0.16, r * 0.16);
    p.restore();
}
}  // namespace

QColor ColorOf(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

QFont FontOf(const FontSpec& font) {
    // The Windows faces by their metric-compatible stand-ins, so that every text fits the size
    // its control was laid out for; Tahoma, the widest, is set in the narrower Arial metrics.
    static const bool substituted = [] {
        QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "Arial", "DejaVu Sans Condensed"});
        QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arial", "DejaVu Sans Condensed"});
        QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans Condensed"});
        QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono"});
        return true;
    }();
    (void)substituted;
    QFont f(QString::fromLatin1(font.face));
    f.setPixelSize(font.heightPx);
    f.setBold(font.bold);
    // Where the face is not installed the nearest of its kind stands in: the drive list must
    // stay fixed-pitch so that its columns line up.
    if (std::strcmp(font.face, "Courier New") == 0) {
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
    } else {
        f.setStyleHint(QFont::SansSerif);
    }
    return f;
}

QImage PageBackground() {
    QImage image(layout::kBackgroundWidth, layout::kBackgroundHeight, QImage::Format_ARGB32_Premultiplied);
    const ControlLayout& page = layout::Control("suiImagePanel1");
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Drawn in the panel's own coordinates, so that stretched onto it everything lands where
    // the controls above it expect.
    p.scale(qreal(image.width()) / page.width, qreal(image.height()) / page.height);
    p.fillRect(QRectF(0, 0, page.width, page.height), kFrameGrey);

    QLinearGradient upper(0, kUpperPanel.top(), 0, kUpperPanel.bottom());
    upper.setColorAt(0, kPanelTop);
    upper.setColorAt(1, kPanelBottom);
    p.setPen(QPen(kPanelEdge, 1));
    p.setBrush(upper);
    p.drawRoundedRect(kUpperPanel, 10, 10);

    DrawEmblem(p, kLogoCentre, kLogoRadius);
    QFont nameFont = FontOf({"Arial", 14, true, layout::kBlack});
    p.setFont(nameFont);
    p.setPen(kEmblemDark);
    p.drawText(QRectF(kLogoCentre.x() - 60, 132, 120, 18), Qt::AlignHCenter | Qt::AlignTop, "Nullburn");

    QPainterPath lower;
    lower.addRoundedRect(kLowerPanel, 10, 10);
    QLinearGradient blue(0, kLowerPanel.top(), 0, kLowerPanel.bottom());
    blue.setColorAt(0, kBlueTop);
    blue.setColorAt(1, kBlueBottom);
    p.setPen(QPen(kBlueEdge, 1));
    p.setBrush(blue);
    p.drawPath(lower);

    p.save();
    p.setClipPath(lower);
    DrawTranslucentDisc(p, QPointF(530, 398), 104);
    p.restore();

    QFont heading = FontOf({"Arial", 19, true, layout::kWhite});
    heading.setCapitalization(QFont::SmallCaps);
    p.setFont(heading);
    p.setPen(QColor(236, 242, 255));
    p.drawText(QPointF(43, 207), "Nullburn");

    DrawWarningIcon(p, QPointF(52, 227), 9);
    p.setFont(FontOf({"Arial", 13, true, layout::kBlack}));
    p.setPen(kWarningRed);
    p.drawText(QPointF(68, 232), layout::kWarningTitle);
    p.setFont(FontOf(layout::kPageFont));
    p.setPen(Qt::white);
    p.drawText(QRectF(43, 242, 560, 30), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, layout::kWarningText);
    return image;
}

QPixmap ButtonImage(const char* text, ButtonState state) {
    QPixmap pixmap(layout::kButtonWidth, layout::kButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor top, bottom;
    switch (state) {
        case ButtonState::Normal: top = QColor(74, 134, 222), bottom = QColor(30, 78, 170); break;
        case ButtonState::Hover: top = QColor(116, 170, 244), bottom = QColor(56, 116, 210); break;
        case ButtonState::Pressed: top = QColor(26, 64, 142), bottom = QColor(16, 44, 110); break;
    }
    QRectF r(0.5, 0.5, pixmap.width() - 1, pixmap.height() - 1);
    QLinearGradient g(0, 0, 0, r.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(QColor(220, 232, 255), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 9, 9);
    if (state != ButtonState::Pressed) {
        QLinearGradient gloss(0, 0, 0, r.height() / 2);
        gloss.setColorAt(0, QColor(255, 255, 255, 90));
        gloss.setColorAt(1, QColor(255, 255, 255, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawRoundedRect(QRectF(3, 2, r.width() - 5, r.height() / 2 - 1), 7, 7);
    }
    const ControlLayout& button = layout::Control("BtnQuick");
    FontSpec label = button.font;
    label.heightPx += 2;  // the label is set a little larger than the control's font
    label.bold = state == ButtonState::Hover;
    p.setFont(FontOf(label));
    p.setPen(ColorOf(button.font.color));
    QRectF textRect = QRectF(pixmap.rect());
    if (state == ButtonState::Pressed) textRect.translate(1, 1);
    p.drawText(textRect, Qt::AlignCenter, QString::fromLatin1(text));
    return pixmap;
}

QPixmap TitleBarPiece(TitlePiece piece) {
    int width = piece == TitlePiece::Centre ? layout::kTitleCentreWidth : layout::kTitleCapWidth;
    QPixmap pixmap(width, layout::kTitleBarHeight);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, pixmap.height());
    g.setColorAt(0.0, QColor(176, 190, 220));
    g.setColorAt(0.45, QColor(112, 132, 180));
    g.setColorAt(1.0, QColor(74, 92, 142));
    p.fillRect(pixmap.rect(), g);
    p.setPen(QColor(210, 220, 240));
    p.drawLine(0, 0, width, 0);  // the light upper edge
    if (piece != TitlePiece::Centre) {
        // The caps carry a faint plate behind the icon and the title-bar buttons.
        QLinearGradient plate(0, 0, width, 0);
        QColor shade(255, 255, 255, 36), clear(255, 255, 255, 0);
        plate.setColorAt(0, piece == TitlePiece::LeftCap ? shade : clear);
        plate.setColorAt(1, piece == TitlePiece::LeftCap ? clear : shade);
        p.fillRect(pixmap.rect(), plate);
    }
    return pixmap;
}

QPixmap TitleButtonImage(TitleButton button, ButtonState state) {
    const int size = layout::kTitleButtonSize;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    bool close = button == TitleButton::Close;
    QColor top = close ? QColor(232, 128, 104) : QColor(246, 248, 252);
    QColor bottom = close ? QColor(190, 64, 40) : QColor(176, 186, 210);
    if (state == ButtonState::Hover) top = top.lighter(112), bottom = bottom.lighter(112);
    if (state == ButtonState::Pressed) top = top.darker(125), bottom = bottom.darker(125);
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 3, 3);
    QColor glyph = close ? Qt::white : QColor(40, 48, 80);
    p.setPen(QPen(glyph, 2.2, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        p.drawLine(QPointF(6.5, 6.5), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 6.5), QPointF(6.5, 14.5));
    } else {
        p.drawLine(QPointF(6, 14.5), QPointF(12, 14.5));
    }
    return pixmap;
}

QPixmap ProgressFill() {
    QPixmap pixmap(layout::kProgressFillWidth, layout::kProgressFillHeight);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, pixmap.height());
    g.setColorAt(0.0, QColor(150, 196, 250));
    g.setColorAt(0.5, QColor(56, 120, 220));
    g.setColorAt(1.0, QColor(36, 90, 190));
    p.fillRect(pixmap.rect(), g);
    // A gap of the bar's own colour after each block.
    p.fillRect(QRect(pixmap.width() - 1, 0, 1, pixmap.height()), ColorOf(layout::kProgressColor));
    return pixmap;
}

QPixmap DialogIcon(int iconType) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    if (iconType < 1 || iconType > 4) return pixmap;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont glyphFont = FontOf({"Arial", 20, true, layout::kWhite});
    p.setFont(glyphFont);
    QPointF c(16, 16);
    if (iconType == 1) {  // warning: a yellow triangle with an exclamation mark
        QPainterPath triangle;
        triangle.moveTo(16, 2);
        triangle.lineTo(30.5, 29);
        triangle.lineTo(1.5, 29);
        triangle.closeSubpath();
        QLinearGradient g(0, 2, 0, 29);
        g.setColorAt(0, QColor(255, 234, 120));
        g.setColorAt(1, QColor(238, 186, 20));
        p.setPen(QPen(QColor(150, 110, 0), 1.2));
        p.setBrush(g);
        p.drawPath(triangle);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, 8, 32, 22), Qt::AlignCenter, "!");
        return pixmap;
    }
    QColor light = iconType == 2 ? QColor(250, 110, 100) : QColor(110, 170, 250);
    QColor dark = iconType == 2 ? QColor(190, 20, 20) : QColor(24, 86, 200);
    QRadialGradient g(QPointF(11, 10), 22);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(g);
    p.drawEllipse(c, 14.5, 14.5);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    if (iconType == 2) {  // stop: a white cross
        p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
        p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
    } else {
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, iconType == 3 ? "i" : "?");
    }
    return pixmap;
}

QImage ApplicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    qreal r = size / 2.0 - qMax<qreal>(0.75, size / 40.0);
    DrawEmblem(p, QPointF(size / 2.0, size / 2.0), r);
    return image;
}

}  // namespace artwork
