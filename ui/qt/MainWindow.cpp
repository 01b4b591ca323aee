#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/Layout.h"
#include "ui/qt/Artwork.h"

using artwork::ColorOf;
using artwork::FontOf;

namespace {
constexpr int kTitleButtonGap = 2;
constexpr int kTitleIconSize = 16;
constexpr int kTitleIconLeft = 8;

void SetTextColor(QWidget* w, Rgb color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ColorOf(color));
    pal.setColor(QPalette::Text, ColorOf(color));
    w->setPalette(pal);
}
}  // namespace

template <typename T>
T* QtMainWindow::Place(T* widget, const char* name) {
    const ControlLayout& c = layout::Control(name);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(c.left, c.top, c.width, c.height);
    widget->setFont(FontOf(c.font));
    SetTextColor(widget, c.font.color);
    if (c.text && *c.text) {
        if (auto* label = dynamic_cast<QLabel*>(widget)) label->setText(QString::fromLatin1(c.text));
    }
    widget->setVisible(c.visible);
    return widget;
}

QtMainWindow::QtMainWindow()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      dialog(this) {
    setObjectName("frmMain");
    setWindowTitle(QString::fromLatin1(layout::kApplicationTitle));
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    setFont(FontOf(layout::kFormFont));
    setMouseTracking(true);
    setWindowIcon(QIcon(QPixmap::fromImage(artwork::ApplicationIcon(64))));
    caption = QString::fromLatin1(layout::Control("suiForm1").text);

    titlePieces[0] = artwork::TitleBarPiece(artwork::TitlePiece::LeftCap);
    titlePieces[1] = artwork::TitleBarPiece(artwork::TitlePiece::Centre);
    titlePieces[2] = artwork::TitleBarPiece(artwork::TitlePiece::RightCap);
    for (int s = 0; s < 3; s++) {
        auto state = artwork::ButtonState(s);
        titleButtons[0][s] = artwork::TitleButtonImage(artwork::TitleButton::Minimise, state);
        titleButtons[1][s] = artwork::TitleButtonImage(artwork::TitleButton::Close, state);
    }
    titleIcon = QPixmap::fromImage(artwork::ApplicationIcon(kTitleIconSize));

    page = Place(new PagePanel(this), "suiImagePanel1");
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"}) {
        QLabel* label = Place(new QLabel(page), name);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    drives = Place(new SkinnedCombo(page), "cboDrives");
    logo = Place(new HotArea(QString::fromLatin1(layout::kLogoHint), page), "Label7");
    quick = Place(new ImageButton(layout::kQuickButtonText, page), "BtnQuick");
    full = Place(new ImageButton(layout::kFullButtonText, page), "BtnFull");
    help = Place(new QLabel(page), "lblHelp");
    help->setTextFormat(Qt::PlainText);
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message = Place(new QLabel(page), "lblMsg");
    message->setTextFormat(Qt::PlainText);
    statusBar = Place(new StatusBarWidget(this), "sbar");
    progress = Place(new SkinnedProgressBar(this), "suiProgressBar1");
    border = new FrameBorder(this);
    border->setObjectName("suiForm1Border");
    border->setGeometry(rect());
    border->raise();

    // Keyboard focus goes to the list and the two buttons only, in this order.
    setTabOrder(drives, quick);
    setTabOrder(quick, full);

    QObject::connect(drives, &QComboBox::activated, this, [this](int) {
        // Only a pick by the user selects a drive; setting the row from code does not.
        if (form) form->cboDrivesChange();
    });
    QObject::connect(quick, &QAbstractButton::clicked, this, [this] { Click(true); });
    QObject::connect(full, &QAbstractButton::clicked, this, [this] { Click(false); });
    quick->onMouseEnter = [this] { if (form) form->BtnQuickMouseEnter(); };
    quick->onMouseExit = [this] { if (form) form->BtnQuickMouseExit(); };
    full->onMouseEnter = [this] { if (form) form->BtnFullMouseEnter(); };
    full->onMouseExit = [this] { if (form) form->BtnFullMouseExit(); };

    // Top corners rounded, bottom corners square.
    const qreal r = layout::kCornerRadius;
    QPainterPath shape;
    shape.moveTo(0, height());
    shape.lineTo(0, r);
    shape.arcTo(QRectF(0, 0, 2 * r, 2 * r), 180, -90);
    shape.lineTo(width() - r, 0);
    shape.arcTo(QRectF(width() - 2 * r, 0, 2 * r, 2 * r), 90, -90);
    shape.lineTo(width(), height());
    shape.closeSubpath();
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

QtMainWindow::~QtMainWindow() = default;

void QtMainWindow::RunFormCreate() {
    if (!form) return;
    inFormCreate = true;
    form->FormCreate();
    inFormCreate = false;
}

void QtMainWindow::RunMessageLoop() {
    inMessageLoop = true;
    QApplication::exec();
    inMessageLoop = false;
}

void QtMainWindow::CentreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

// ---- MainView -----------------------------------------------------------------------------

void QtMainWindow::SetCaption(const std::string& text) {
    caption = QString::fromStdString(text);
    update(QRect(0, 0, width(), layout::kPageTop));
}

void QtMainWindow::AddDriveRow(const std::string& row) { drives->addItem(QString::fromStdString(row)); }

int QtMainWindow::DriveRowCount() { return drives->count(); }

int QtMainWindow::DriveItemIndex() { return drives->currentIndex(); }

void QtMainWindow::SetDriveItemIndex(int index) { drives->setCurrentIndex(index); }

void QtMainWindow::SetEnabled(UiControl control, bool enabled) {
    QWidget* w = control == UiControl::Drives ? static_cast<QWidget*>(drives)
                 : control == UiControl::Quick ? static_cast<QWidget*>(quick)
                                               : static_cast<QWidget*>(full);
    w->setEnabled(enabled);
}

void QtMainWindow::SetHelpText(const std::string& text) { help->setText(QString::fromStdString(text)); }

void QtMainWindow::SetStatusLabel(const std::string& text) { message->setText(QString::fromStdString(text)); }

std::string QtMainWindow::StatusLabel() { return message->text().toStdString(); }

void QtMainWindow::SetStatusPanel(const std::string& text) { statusBar->SetPanelText(QString::fromStdString(text)); }

void QtMainWindow::SetProgressMin(int value) { progress->SetMinimum(value); }

void QtMainWindow::SetProgressMax(int value) { progress->SetMaximum(value); }

int QtMainWindow::ProgressMax() { return progress->Maximum(); }

void QtMainWindow::SetProgressPosition(int value) { progress->SetPosition(value); }

int QtMainWindow::ProgressPosition() { return progress->Position(); }

void QtMainWindow::SetDialogButtonCount(uint8_t count) { dialog.buttonCount = count; }

void QtMainWindow::SetDialogIconType(uint8_t icon) { dialog.iconType = icon; }

void QtMainWindow::SetDialogCaptionFontColor(uint32_t color) {
    // A colour value of the framework: red in the low byte.
    dialog.captionColor = QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}

void QtMainWindow::SetDialogText(const std::string& text) { dialog.text = text; }

void QtMainWindow::SetDialogCaption(const std::string& text) { dialog.caption = text; }

int QtMainWindow::ShowDialogModal() { return dialog.ShowModal(); }

void QtMainWindow::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtMainWindow::WaitForMessage(uint32_t milliseconds) {
    if (milliseconds == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Sleeps in the event dispatcher until an event comes or the timer wakes it: never spins.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(int(qMin<uint32_t>(milliseconds, 0x7FFFFFFF)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtMainWindow::Terminate() {
    terminated = true;
    hide();
    // Outside the message loop an exit would stay pending and end every later modal loop at
    // once: the loop is then simply never started.
    if (inMessageLoop) QCoreApplication::exit(0);
}

// ---- events -------------------------------------------------------------------------------

bool QtMainWindow::Busy() const { return inFormCreate || clickRunning || (form && form->RequestRunning()); }

void QtMainWindow::Click(bool isQuick) {
    if (!form || Busy() || closePending) return;
    clickRunning = true;
    if (isQuick) form->BtnQuickClick();
    else form->BtnFullClick();
    clickRunning = false;
    CloseIfPending();
}

void QtMainWindow::CloseIfPending() {
    // Closed from the event loop, once the handler that was running has returned.
    if (closePending && !Busy()) QTimer::singleShot(0, this, [this] { close(); });
}

void QtMainWindow::closeEvent(QCloseEvent* e) {
    if (!Busy()) {
        closePending = false;
        e->accept();
        return;
    }
    // A request still sends commands through the device object: stop it, and close only once
    // its handler has returned.
    e->ignore();
    closePending = true;
    if (form) form->RequestClose();
    if (dialog.Showing()) dialog.done(kModalCancel);
}

QRect QtMainWindow::TitleButtonRect(TitleHit which) const {
    const int size = layout::kTitleButtonSize, top = layout::kTitleButtonTop;
    int closeLeft = width() - layout::kBorderWidth - 4 - size;
    if (which == TitleHit::Close) return QRect(closeLeft, top, size, size);
    if (which == TitleHit::Minimise) return QRect(closeLeft - kTitleButtonGap - size, top, size, size);
    if (which == TitleHit::Icon) return QRect(kTitleIconLeft, (layout::kPageTop - kTitleIconSize) / 2 + 1, kTitleIconSize, kTitleIconSize);
    return {};
}

QtMainWindow::TitleHit QtMainWindow::HitTitle(QPoint p) const {
    for (TitleHit h : {TitleHit::Icon, TitleHit::Minimise, TitleHit::Close})
        if (TitleButtonRect(h).contains(p)) return h;
    return TitleHit::None;
}

void QtMainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColorOf(layout::kFrameColor));
    // The title bar: a left cap, the centre piece stretched across, a right cap.
    const int capWidth = layout::kTitleCapWidth, barHeight = layout::kTitleBarHeight;
    p.drawPixmap(0, 0, titlePieces[0]);
    p.drawPixmap(QRect(capWidth, 0, width() - 2 * capWidth, barHeight), titlePieces[1]);
    p.drawPixmap(width() - capWidth, 0, titlePieces[2]);
    const int bar = layout::kPageTop;
    p.drawPixmap(TitleButtonRect(TitleHit::Icon).topLeft(), titleIcon);
    p.setFont(FontOf(layout::kTitleFont));
    p.setPen(ColorOf(layout::kTitleFont.color));
    QRect textRect(kTitleIconLeft + kTitleIconSize + 6, 0, TitleButtonRect(TitleHit::Minimise).left() - 30, bar);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
    for (TitleHit h : {TitleHit::Minimise, TitleHit::Close}) {
        int state = pressedTitle == h && hoverTitle == h ? 2 : hoverTitle == h ? 1 : 0;
        p.drawPixmap(TitleButtonRect(h).topLeft(), titleButtons[h == TitleHit::Close ? 1 : 0][state]);
    }
}

void QtMainWindow::mousePressEvent(QMouseEvent* e) {
    QPoint at = e->position().toPoint();
    if (e->button() != Qt::LeftButton || at.y() >= layout::kPageTop) return QWidget::mousePressEvent(e);
    pressedTitle = HitTitle(at);
    if (pressedTitle == TitleHit::Icon) {
        // The system menu box.
        pressedTitle = TitleHit::None;
        QMenu menu(this);
        menu.addAction("Minimize", this, [this] { showMinimized(); });
        menu.addSeparator();
        menu.addAction("Close", this, [this] { close(); });
        menu.exec(mapToGlobal(QPoint(0, layout::kPageTop)));
        return;
    }
    if (pressedTitle != TitleHit::None) {
        update(TitleButtonRect(pressedTitle));
        return;
    }
    // The skinned title bar moves the window.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging = true;
    dragFrom = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void QtMainWindow::mouseMoveEvent(QMouseEvent* e) {
    if (dragging && (e->buttons() & Qt::LeftButton)) {
        move(e->globalPosition().toPoint() - dragFrom);
        return;
    }
    TitleHit h = HitTitle(e->position().toPoint());
    if (h != hoverTitle) {
        hoverTitle = h;
        update(0, 0, width(), layout::kPageTop);
    }
    QWidget::mouseMoveEvent(e);
}

void QtMainWindow::mouseReleaseEvent(QMouseEvent* e) {
    dragging = false;
    TitleHit pressed = pressedTitle;
    pressedTitle = TitleHit::None;
    if (pressed != TitleHit::None) {
        update(0, 0, width(), layout::kPageTop);
        if (HitTitle(e->position().toPoint()) == pressed) {
            if (pressed == TitleHit::Close) close();
            else showMinimized();
        }
        return;
    }
    QWidget::mouseReleaseEvent(e);
}

void QtMainWindow::leaveEvent(QEvent* e) {
    if (hoverTitle != TitleHit::None) {
        hoverTitle = TitleHit::None;
        update(0, 0, width(), layout::kPageTop);
    }
    QWidget::leaveEvent(e);
}

int RunMainWindow(System& system) {
    QtMainWindow window;
    TfrmMain form(system, window);
    window.SetForm(&form);
    window.RunFormCreate();
    // After a failure message of FormCreate the program ends; so it does when closed meanwhile.
    if (!window.Terminated() && !window.ClosePending()) {
        window.CentreOnScreen();
        window.show();
        window.RunMessageLoop();
    }
    window.SetForm(nullptr);
    return 0;
}
