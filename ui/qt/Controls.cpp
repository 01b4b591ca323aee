#include "ui/qt/Controls.h"

#include <QAbstractItemView>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStyledItemDelegate>

#include "app/Layout.h"
#include "ui/qt/Artwork.h"

using artwork::ColorOf;
using artwork::FontOf;

namespace {
// How long a balloon stays up, the framework's default hint hide pause.
constexpr int kHintHidePauseMs = 2500;
constexpr int kBalloonTail = 12;   // height of the tail toward the pointer
constexpr int kBalloonShadow = 3;  // offset of the shadow
constexpr int kBalloonPadding = 6;
constexpr int kComboButtonWidth = 17;

// Rows of the drop-down list are exactly the layout's item height.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        return QSize(s.width(), layout::kComboItemHeight);
    }
};
}  // namespace

PagePanel::PagePanel(QWidget* parent) : QWidget(parent), background(artwork::PageBackground()) {}

void PagePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), background);
}

ImageButton::ImageButton(const char* text, QWidget* parent) : QAbstractButton(parent) {
    images[0] = artwork::ButtonImage(text, artwork::ButtonState::Normal);
    images[1] = artwork::ButtonImage(text, artwork::ButtonState::Hover);
    images[2] = artwork::ButtonImage(text, artwork::ButtonState::Pressed);
    setText(QString::fromLatin1(text));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    int state = isDown() ? 2 : hovered && isEnabled() ? 1 : 0;
    if (!isEnabled()) p.setOpacity(0.6);
    // The image at its own size, never stretched; no focus rectangle.
    p.drawPixmap(0, 0, images[state]);
}

void ImageButton::enterEvent(QEnterEvent* e) {
    hovered = true;
    update();
    if (isEnabled() && onMouseEnter) onMouseEnter();
    QAbstractButton::enterEvent(e);
}

void ImageButton::leaveEvent(QEvent* e) {
    hovered = false;
    update();
    if (isEnabled() && onMouseExit) onMouseExit();
    QAbstractButton::leaveEvent(e);
}

void ImageButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) update();
    QAbstractButton::changeEvent(e);
}

SkinnedCombo::SkinnedCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setItemDelegate(new FixedHeightDelegate(this));
    setFocusPolicy(Qt::StrongFocus);
}

void SkinnedCombo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, isEnabled() ? QColor(Qt::white) : ColorOf(layout::kComboButton));
    QRect button(r.right() - kComboButtonWidth, r.top() + 1, kComboButtonWidth, r.height() - 2);
    p.fillRect(button, ColorOf(layout::kComboButton));
    p.setPen(ColorOf(layout::kComboBorder));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.drawLine(button.topLeft(), button.bottomLeft());
    // The arrow, a small filled triangle.
    QPointF c = QRectF(button).center();
    QPainterPath arrow;
    arrow.moveTo(c.x() - 4, c.y() - 2);
    arrow.lineTo(c.x() + 4, c.y() - 2);
    arrow.lineTo(c.x(), c.y() + 2);
    arrow.closeSubpath();
    p.fillPath(arrow, isEnabled() ? ColorOf(layout::kComboArrow) : QColor(128, 128, 128));
    QRect text = r.adjusted(3, 1, -kComboButtonWidth - 2, -1);
    if (hasFocus() && isEnabled()) {
        p.fillRect(text, palette().highlight());
        p.setPen(palette().highlightedText().color());
    } else {
        p.setPen(isEnabled() ? palette().text().color() : QColor(128, 128, 128));
    }
    p.setFont(font());
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, currentText());
}

void SkinnedCombo::keyPressEvent(QKeyEvent* e) {
    if (!e->text().isEmpty() && e->text().at(0).isPrint() && view() && !view()->isVisible()) showPopup();
    QComboBox::keyPressEvent(e);
}

BalloonHint::BalloonHint() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName("RzBalloonHints1");
    setFont(FontOf(layout::kHintFont));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void BalloonHint::ShowAt(const QString& hintText, QPoint pointer) {
    text = hintText;
    QFontMetrics fm(font());
    QRect textRect = fm.boundingRect(QRect(0, 0, layout::kHintMaxWidth, 1000), Qt::AlignLeft | Qt::TextWordWrap, text);
    bubble = QRect(0, kBalloonTail, textRect.width() + 2 * kBalloonPadding, textRect.height() + 2 * kBalloonPadding);
    QSize size(bubble.width() + kBalloonShadow, bubble.bottom() + 1 + kBalloonShadow);
    resize(size);
    // The balloon's outline and its shadow are its window: no compositor is needed for the shape.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(bubble), 6, 6);
    QPainterPath tail;
    tail.moveTo(10, kBalloonTail + 1);
    tail.lineTo(12, 0);
    tail.lineTo(24, kBalloonTail + 1);
    tail.closeSubpath();
    shape = shape.united(tail);
    QPainterPath withShadow = shape.united(shape.translated(kBalloonShadow, kBalloonShadow));
    setMask(QRegion(withShadow.toFillPolygon().toPolygon()));
    move(pointer + QPoint(-12, 4));
    show();
    raise();
    update();
}

void BalloonHint::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(bubble).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QPainterPath tail;
    tail.moveTo(10, kBalloonTail + 1);
    tail.lineTo(12, 0.5);
    tail.lineTo(24, kBalloonTail + 1);
    tail.closeSubpath();
    shape = shape.united(tail);
    p.fillPath(shape.translated(kBalloonShadow, kBalloonShadow), QColor(110, 110, 110));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(ColorOf(layout::kHintBackground));
    p.drawPath(shape);
    p.setPen(ColorOf(layout::kHintFont.color));
    p.drawText(bubble.adjusted(kBalloonPadding, kBalloonPadding, -kBalloonPadding, -kBalloonPadding),
               Qt::AlignLeft | Qt::TextWordWrap, text);
}

HotArea::HotArea(const QString& hint, QWidget* parent) : QLabel(parent), hint(hint) {
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    pause.setSingleShot(true);
    pause.setInterval(layout::kHintPauseMs);
    hidePause.setSingleShot(true);
    hidePause.setInterval(kHintHidePauseMs);
    QObject::connect(&pause, &QTimer::timeout, this, [this] { Show(); });
    QObject::connect(&hidePause, &QTimer::timeout, this, [this] { Hide(); });
}

HotArea::~HotArea() { balloon.hide(); }

void HotArea::enterEvent(QEnterEvent* e) {
    pause.start();
    QLabel::enterEvent(e);
}

void HotArea::leaveEvent(QEvent* e) {
    Hide();
    QLabel::leaveEvent(e);
}

void HotArea::mouseMoveEvent(QMouseEvent* e) {
    // The hint waits for the mouse to come to rest.
    if (!balloon.isVisible()) pause.start();
    QLabel::mouseMoveEvent(e);
}

void HotArea::mousePressEvent(QMouseEvent* e) {
    Hide();
    QLabel::mousePressEvent(e);
}

void HotArea::Show() {
    if (!isVisible()) return;
    balloon.ShowAt(hint, QCursor::pos());
    hidePause.start();
}

void HotArea::Hide() {
    pause.stop();
    hidePause.stop();
    balloon.hide();
}

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent) {}

void StatusBarWidget::SetPanelText(const QString& text) {
    panelText = text;
    update();
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColorOf(layout::kStatusBarColor));
    int x = 0;
    for (int i = 0; i < 3; i++) {
        int width = layout::kStatusPanelWidths[i];
        // The last panel takes what is left of the bar.
        if (i == 2) width = qMax(width, this->width() - x);
        QRect panel(x, 2, width - 2, height() - 3);
        p.setPen(QColor(160, 160, 170));
        p.drawLine(panel.topLeft(), panel.topRight());
        p.drawLine(panel.topLeft(), panel.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(panel.bottomLeft(), panel.bottomRight());
        p.drawLine(panel.topRight(), panel.bottomRight());
        if (i == 0) {
            p.setPen(palette().windowText().color());
            p.setFont(font());
            p.drawText(panel.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, panelText);
        }
        x += width;
    }
}

SkinnedProgressBar::SkinnedProgressBar(QWidget* parent)
    : QWidget(parent),
      minimum(layout::kProgressMin),
      maximum(layout::kProgressMax),
      position(layout::kProgressMin),
      fill(artwork::ProgressFill()) {}

void SkinnedProgressBar::SetMinimum(int value) {
    minimum = value;
    update();
}

void SkinnedProgressBar::SetMaximum(int value) {
    maximum = value;
    update();
}

void SkinnedProgressBar::SetPosition(int value) {
    position = value;
    update();
}

QString SkinnedProgressBar::Caption() const {
    if (maximum <= minimum || position <= minimum) return {};  // shown only once there is progress
    qint64 percent = qint64(qBound(minimum, position, maximum) - minimum) * 100 / (maximum - minimum);
    return QString::number(percent) + "%";
}

void SkinnedProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, ColorOf(layout::kProgressColor));
    if (maximum > minimum) {
        qint64 span = maximum - minimum;
        int inner = r.width() - 2;
        int filled = int(qint64(qBound(minimum, position, maximum) - minimum) * inner / span);
        if (filled > 0) {
            QRect bar(1, 1, filled, r.height() - 2);
            p.drawTiledPixmap(bar, fill);
        }
    }
    p.setPen(ColorOf(layout::kProgressBorder));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QString caption = Caption();
    if (!caption.isEmpty()) {
        p.setPen(ColorOf(layout::kProgressCaptionColor));
        p.setFont(font());
        p.drawText(r, Qt::AlignCenter, caption);
    }
}

FrameBorder::FrameBorder(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void FrameBorder::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = layout::kBorderWidth;
    const qreal radius = layout::kCornerRadius;
    QRectF r = QRectF(rect()).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0);
    // Rounded at the top, square at the bottom.
    QPainterPath outline;
    outline.moveTo(r.left(), r.bottom());
    outline.lineTo(r.left(), r.top() + radius);
    outline.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180, -90);
    outline.lineTo(r.right() - radius, r.top());
    outline.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90, -90);
    outline.lineTo(r.right(), r.bottom());
    outline.closeSubpath();
    p.setPen(QPen(ColorOf(layout::kBorderColor), w));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}
