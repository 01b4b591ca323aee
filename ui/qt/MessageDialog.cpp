#include "ui/qt/MessageDialog.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "app/Layout.h"
#include "app/MainView.h"
#include "ui/qt/Artwork.h"

using artwork::ColorOf;
using artwork::FontOf;

namespace {
constexpr int kTitleHeight = 24;
constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 8;
constexpr int kMinTextWidth = 220;
constexpr int kMaxTextWidth = 420;
}  // namespace

MessageDialog::MessageDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      captionColor(ColorOf(layout::kDialogCaptionFont.color)),
      caption(layout::kDialogDesignCaption) {
    setObjectName("suiMessageDialog1");
    setModal(true);
    text = layout::kDialogDesignCaption;
    icon = new QLabel(this);
    icon->setObjectName("icon");
    message = new QLabel(this);
    message->setObjectName("text");
    message->setFont(FontOf(layout::kDialogTextFont));
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette pal = message->palette();
    pal.setColor(QPalette::WindowText, ColorOf(layout::kDialogTextFont.color));
    message->setPalette(pal);
    for (int i = 0; i < 3; i++) {
        buttons[i] = new QPushButton(QString::fromLatin1(layout::kDialogButtonTexts[i]), this);
        buttons[i]->setObjectName(QString::fromLatin1(layout::kDialogButtonTexts[i]));
        buttons[i]->setCursor(Qt::PointingHandCursor);
        buttons[i]->setFont(FontOf(layout::kDialogTextFont));
        buttons[i]->setStyleSheet(
            "QPushButton { color: black; border: 1px solid rgb(102,102,126); border-radius: 3px;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d6d8e2); }"
            "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e6ecfa);"
            " border-color: rgb(60,100,190); }"
            "QPushButton:pressed { background: #c4c8d6; }"
            "QPushButton:focus { border: 2px solid rgb(60,100,190); }");
        int result = layout::kDialogModalResults[i];
        connect(buttons[i], &QPushButton::clicked, this, [this, result] { done(result); });
    }
}

int MessageDialog::ShowModal() {
    int count = buttonCount < 1 ? 1 : buttonCount > 3 ? 3 : buttonCount;
    QPixmap picture = artwork::DialogIcon(iconType);
    bool hasIcon = iconType >= kIconWarning && iconType <= kIconHelp;
    icon->setPixmap(picture);
    icon->setVisible(hasIcon);
    message->setText(QString::fromStdString(text));
    setWindowTitle(QString::fromStdString(caption));

    // Size to the text, between a minimum and a maximum width, wrapping where needed.
    QFontMetrics fm(message->font());
    QRect textRect = fm.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::AlignLeft | Qt::TextWordWrap,
                                     message->text());
    int textWidth = qMax(kMinTextWidth, textRect.width() + 4);
    int textHeight = qMax(hasIcon ? kIconSize : 0, textRect.height());
    int textLeft = kMargin + (hasIcon ? kIconSize + kMargin : 0);
    int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    int width = qMax(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
    int height = kTitleHeight + kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    setFixedSize(width, height);
    icon->setGeometry(kMargin, kTitleHeight + kMargin + (textHeight - kIconSize) / 2, kIconSize, kIconSize);
    message->setGeometry(textLeft, kTitleHeight + kMargin, width - textLeft - kMargin, textHeight);
    int x = (width - buttonsWidth) / 2;
    for (int i = 0; i < 3; i++) {
        buttons[i]->setVisible(i < count);
        buttons[i]->setGeometry(x + i * (kButtonWidth + kButtonGap), height - kMargin - kButtonHeight, kButtonWidth,
                                kButtonHeight);
    }
    buttons[0]->setDefault(true);
    buttons[0]->setFocus();

    // Centred on the owner (poOwnerFormCenter).
    if (QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width / 2, height / 2));
    }
    return exec();
}

void MessageDialog::reject() {
    // Escape or a close answers as the last button does: Cancel where there is one, else OK.
    int count = buttonCount < 1 ? 1 : buttonCount > 3 ? 3 : buttonCount;
    done(layout::kDialogModalResults[count - 1]);
}

void MessageDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColorOf(layout::kFrameColor));
    QLinearGradient g(0, 0, 0, kTitleHeight);
    g.setColorAt(0.0, QColor(236, 240, 248));
    g.setColorAt(1.0, QColor(176, 190, 220));
    p.fillRect(QRect(0, 0, width(), kTitleHeight), g);
    QFont captionFont = FontOf(layout::kDialogCaptionFont);
    p.setFont(captionFont);
    p.setPen(captionColor);
    p.drawText(QRect(8, 0, width() - 16, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft, windowTitle());
    p.setPen(QPen(ColorOf(layout::kBorderColor), layout::kBorderWidth));
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void MessageDialog::mousePressEvent(QMouseEvent* e) {
    // The skinned title bar moves the dialog.
    if (e->button() == Qt::LeftButton && e->position().y() < kTitleHeight) {
        if (windowHandle() && windowHandle()->startSystemMove()) return;
        dragging = true;
        dragFrom = e->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(e);
}

void MessageDialog::mouseMoveEvent(QMouseEvent* e) {
    if (dragging && (e->buttons() & Qt::LeftButton)) move(e->globalPosition().toPoint() - dragFrom);
    else dragging = false;
    QDialog::mouseMoveEvent(e);
}
