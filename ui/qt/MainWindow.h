// The main window in Qt Widgets: the skinned frame, the page and its controls, the status bar
// and progress bar, and the message dialog, laid out from the shared layout table. It is the
// view of TfrmMain, which holds all the behaviour.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "app/FrmMain.h"
#include "app/MainView.h"
#include "ui/qt/Controls.h"
#include "ui/qt/MessageDialog.h"

class QtMainWindow : public QWidget, public MainView {
public:
    QtMainWindow();
    ~QtMainWindow() override;

    // The logic the window's events go to; none while there is none.
    void SetForm(TfrmMain* form) { this->form = form; }
    // FormCreate, with a close during the drive scan held until it has returned.
    void RunFormCreate();
    bool Terminated() const { return terminated; }
    // A close came while the window could not close; it closes once it can.
    bool ClosePending() const { return closePending; }
    QString Caption() const { return caption; }
    void CentreOnScreen();
    // The application's message loop, until the window closes.
    void RunMessageLoop();

    // MainView.
    void SetCaption(const std::string& text) override;
    void AddDriveRow(const std::string& row) override;
    int DriveRowCount() override;
    int DriveItemIndex() override;
    void SetDriveItemIndex(int index) override;
    void SetEnabled(UiControl control, bool enabled) override;
    void SetHelpText(const std::string& text) override;
    void SetStatusLabel(const std::string& text) override;
    std::string StatusLabel() override;
    void SetStatusPanel(const std::string& text) override;
    void SetProgressMin(int value) override;
    void SetProgressMax(int value) override;
    int ProgressMax() override;
    void SetProgressPosition(int value) override;
    int ProgressPosition() override;
    void SetDialogButtonCount(uint8_t count) override;
    void SetDialogIconType(uint8_t icon) override;
    void SetDialogCaptionFontColor(uint32_t color) override;
    void SetDialogText(const std::string& text) override;
    void SetDialogCaption(const std::string& caption) override;
    int ShowDialogModal() override;
    void ProcessMessages() override;
    void WaitForMessage(uint32_t milliseconds) override;
    void Terminate() override;

protected:
    void paintEvent(QPaintEvent*) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    enum class TitleHit { None, Icon, Minimise, Close };
    QRect TitleButtonRect(TitleHit which) const;
    TitleHit HitTitle(QPoint p) const;
    void Click(bool quick);
    bool Busy() const;
    void CloseIfPending();
    template <typename T>
    T* Place(T* widget, const char* name);

    TfrmMain* form = nullptr;
    PagePanel* page;
    SkinnedCombo* drives;
    HotArea* logo;
    ImageButton* quick;
    ImageButton* full;
    QLabel* help;
    QLabel* message;
    StatusBarWidget* statusBar;
    SkinnedProgressBar* progress;
    FrameBorder* border;
    MessageDialog dialog;

    QString caption;
    QPixmap titlePieces[3];
    QPixmap titleButtons[2][3];
    QPixmap titleIcon;
    TitleHit hoverTitle = TitleHit::None;
    TitleHit pressedTitle = TitleHit::None;
    QPoint dragFrom;
    bool dragging = false;

    bool terminated = false;
    bool inMessageLoop = false;
    bool inFormCreate = false;
    bool clickRunning = false;
    bool closePending = false;
};

// The program: the window on `system`, from FormCreate to the end of the message loop.
// Returns the exit code, 0 in every case.
int RunMainWindow(System& system);
