// The Qt main window on the emulated drive bay (virtual time): start-up and the list rows, the
// layout of every control, help texts and the logo's balloon, the message dialog's results, a
// Quick Erase to its success message, a close during a request, and a screenshot checked for
// layout and colours. Dialogs are answered as a user would: the active modal dialog is found
// from a timer and its button clicked.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/FrmMain.h"
#include "app/Layout.h"
#include "platform/emulated/Bay.h"
#include "ui/qt/MainWindow.h"

namespace {

constexpr const char* kDemoScenario = "range:dvd+r,whole:cd-r,cdrom:none";

// Runs the event loop until `done` holds or `ms` pass. On a real X server the mouse moves and
// window changes arrive asynchronously, so every check of their effect waits for it.
bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QTest::qWait(5);
    return done();
}

struct SeenDialog {
    QString caption;
    QString text;
    QStringList buttons;  // the visible ones, in order
    bool iconShown;
    bool controlsEnabled;  // any of the list and the two buttons, while it was up
};

// Finds the active modal message dialog from a timer and presses one of its buttons.
class DialogAnswerer {
public:
    explicit DialogAnswerer(QtMainWindow& window) : window(window) {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
        timer.start();
    }
    std::vector<SeenDialog> seen;
    QStringList answers;  // button texts to press, in turn; "OK" once none are left
    std::function<void(const SeenDialog&)> onDialog;
    QImage shotAtSuccess;  // the main window as it looked under the success message

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != "suiMessageDialog1" || !modal->isVisible()) return;
        SeenDialog d;
        d.caption = modal->windowTitle();
        d.text = modal->findChild<QLabel*>("text")->text();
        d.iconShown = modal->findChild<QLabel*>("icon")->isVisible();
        for (auto* b : modal->findChildren<QPushButton*>())
            if (b->isVisible()) d.buttons << b->text();
        d.controlsEnabled = window.findChild<QWidget*>("cboDrives")->isEnabled() ||
                            window.findChild<QWidget*>("BtnQuick")->isEnabled() ||
                            window.findChild<QWidget*>("BtnFull")->isEnabled();
        if (d.text.contains("successfully")) shotAtSuccess = window.grab().toImage();
        seen.push_back(d);
        if (onDialog) onDialog(d);
        QString answer = answers.isEmpty() ? "OK" : answers.takeFirst();
        QPushButton* button = nullptr;
        for (auto* b : modal->findChildren<QPushButton*>())
            if (b->isVisible() && b->text() == answer && !button) button = b;
        ASSERT_NE(button, nullptr) << answer.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QtMainWindow& window;
    QTimer timer;
};

// The window on a bay, created as the program creates it, shown and exposed.
struct Harness {
    std::unique_ptr<EmulatedSystem> system;
    std::unique_ptr<QtMainWindow> window;
    std::unique_ptr<TfrmMain> form;

    explicit Harness(const char* scenario = kDemoScenario, bool show = true) {
        std::string error;
        system = CreateEmulatedBay(scenario, error);
        EXPECT_NE(system, nullptr) << error;
        window = std::make_unique<QtMainWindow>();
        form = std::make_unique<TfrmMain>(*system, *window);
        window->SetForm(form.get());
        window->RunFormCreate();
        if (show && !window->Terminated()) {
            window->move(40, 40);
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            // Keyboard focus needs the active window; without a window manager, ask for it.
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }
    ~Harness() {
        if (window) window->SetForm(nullptr);
        form.reset();
        window.reset();
    }
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Help() { return Find<QLabel>("lblHelp")->text(); }
    bool Enabled(const char* name) { return Find(name)->isEnabled(); }
    QPoint CentreOf(const char* name) {
        QWidget* w = Find(name);
        return w->mapTo(window.get(), w->rect().center());
    }
    void MoveTo(QPoint p) {
        QTest::mouseMove(window.get(), p);
        QCoreApplication::processEvents();
    }
};

TEST(QtWindowTest, StartsUpWithTheCapableDrivesListed) {
    Harness h;
    EXPECT_EQ(h.window->Caption(), "Nullburn v1.2.1");
    auto* drives = h.Find<QComboBox>("cboDrives");
    // The read-only CD-ROM drive is not listed.
    ASSERT_EQ(drives->count(), 2);
    const char* expected[] = {" 1-0-0-0 D:", " 1-0-1-0 E:"};
    for (int r = 0; r < drives->count(); r++) {
        const DriveRecord* d = h.form->Device()->GetDrive(unsigned(h.form->DriveOfRow(r)));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(drives->itemText(r).toStdString(), h.form->FormatDriveRow(*d)) << r;
        EXPECT_TRUE(drives->itemText(r).startsWith(expected[r])) << drives->itemText(r).toStdString();
    }
    EXPECT_EQ(drives->currentIndex(), 0);
    EXPECT_EQ(h.form->Device()->SelectedIndex(), h.form->DriveOfRow(0));
    EXPECT_FALSE(drives->isEditable());
    EXPECT_TRUE(QFontInfo(drives->font()).fixedPitch()) << "the rows' columns must line up";
    EXPECT_EQ(h.Help(), "");
    EXPECT_TRUE(h.Enabled("cboDrives") && h.Enabled("BtnQuick") && h.Enabled("BtnFull"));
    EXPECT_FALSE(h.window->Terminated());
}

TEST(QtWindowTest, PickingARowSelectsItsDriveButSettingItFromCodeDoesNot) {
    Harness h;
    auto* drives = h.Find<QComboBox>("cboDrives");
    h.window->SetDriveItemIndex(1);
    EXPECT_EQ(h.form->Device()->SelectedIndex(), h.form->DriveOfRow(0)) << "setting the row raises no change";
    h.window->SetDriveItemIndex(0);
    drives->setFocus();
    QTest::keyClick(drives, Qt::Key_Down);  // a pick by the user
    QCoreApplication::processEvents();
    EXPECT_EQ(drives->currentIndex(), 1);
    EXPECT_EQ(h.form->Device()->SelectedIndex(), h.form->DriveOfRow(1));
}

TEST(QtWindowTest, WithoutACapableDriveSaysSoAndEnds) {
    QtMainWindow* window = nullptr;
    std::string error;
    auto system = CreateEmulatedBay("cdrom:none", error);
    ASSERT_NE(system, nullptr) << error;
    QtMainWindow w;
    window = &w;
    DialogAnswerer answerer(w);
    TfrmMain form(*system, w);
    w.SetForm(&form);
    w.RunFormCreate();
    w.SetForm(nullptr);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].caption, "Error ...");
    EXPECT_EQ(answerer.seen[0].text, "No drive detected !");
    EXPECT_EQ(answerer.seen[0].buttons, QStringList{"OK"});
    EXPECT_TRUE(answerer.seen[0].iconShown);
    EXPECT_FALSE(answerer.seen[0].controlsEnabled);
    EXPECT_TRUE(window->Terminated());
    EXPECT_FALSE(window->isVisible());
}

TEST(QtWindowTest, EveryControlSitsWhereTheLayoutPutsIt) {
    Harness h;
    EXPECT_EQ(h.window->size(), QSize(layout::kClientWidth, layout::kClientHeight));
    EXPECT_EQ(h.window->minimumSize(), h.window->maximumSize()) << "fixed size";
    for (const ControlLayout& c : layout::kControls) {
        if (std::strcmp(c.name, "suiForm1") == 0) continue;  // the window itself
        QWidget* w = h.Find(c.name);
        if (!w) continue;
        EXPECT_EQ(w->geometry(), QRect(c.left, c.top, c.width, c.height)) << c.name;
        EXPECT_EQ(w->isVisibleTo(h.window.get()), c.visible) << c.name;
        QString parent = c.parent == std::string("suiForm1") ? "frmMain" : QString::fromLatin1(c.parent);
        EXPECT_EQ(w->parentWidget()->objectName(), parent) << c.name;
        EXPECT_EQ(w->font().pixelSize(), c.font.heightPx) << c.name;
        EXPECT_EQ(w->font().bold(), c.font.bold) << c.name;
        if (auto* label = qobject_cast<QLabel*>(w); label && c.kind == ControlKind::Label) {
            EXPECT_EQ(label->text().toStdString(), c.text) << c.name;
        }
        if (c.kind == ControlKind::Label && std::strcmp(c.name, "Label7") != 0) {
            EXPECT_EQ(w->palette().windowText().color(), QColor(c.font.color.r, c.font.color.g, c.font.color.b)) << c.name;
        }
    }
    EXPECT_TRUE(h.Find<QLabel>("lblHelp")->wordWrap());
    for (const char* b : {"BtnQuick", "BtnFull"}) {
        EXPECT_EQ(h.Find(b)->cursor().shape(), Qt::PointingHandCursor) << b;
        EXPECT_EQ(h.Find(b)->focusPolicy(), Qt::TabFocus) << b;
    }
    // Tab order: the list, Quick Erase, Full Erase.
    QWidget* combo = h.Find("cboDrives");
    combo->setFocus();
    QCoreApplication::processEvents();
    QStringList order;
    for (int i = 0; i < 3; i++) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"cboDrives", "BtnQuick", "BtnFull"}));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "cboDrives") << "and round again";
}

TEST(QtWindowTest, HelpTextFollowsTheMouseOverTheButtons) {
    Harness h;
    struct Step {
        const char* over;  // a control name, or nullptr for the empty page
        const char* help;
    } steps[] = {
        {"BtnQuick", layout::kQuickEraseHelp},
        {nullptr, ""},
        {"BtnFull", layout::kFullEraseHelp},
        {"BtnQuick", layout::kQuickEraseHelp},  // straight from one button onto the other
        {"BtnFull", layout::kFullEraseHelp},
        {"Label2", ""},
    };
    QPoint empty(400, 300);
    for (const Step& s : steps) {
        h.MoveTo(s.over ? h.CentreOf(s.over) : empty);
        WaitFor([&] { return h.Help().toStdString() == s.help; });
        EXPECT_EQ(h.Help().toStdString(), s.help) << (s.over ? s.over : "page");
    }
}

TEST(QtWindowTest, TheLogoShowsItsBalloonOnceTheMouseRests) {
    Harness h;
    h.MoveTo(QPoint(300, 300));
    auto* hot = h.Find<HotArea>("Label7");
    QTest::qWait(50);
    h.MoveTo(h.CentreOf("Label7"));
    EXPECT_FALSE(hot->Balloon()->isVisible()) << "not before the pause";
    EXPECT_TRUE(WaitFor([&] { return hot->Balloon()->isVisible(); }));
    EXPECT_EQ(hot->Balloon()->Text().toStdString(), layout::kLogoHint);
    EXPECT_EQ(hot->Balloon()->font().pixelSize(), layout::kHintFont.heightPx);
    h.MoveTo(QPoint(300, 300));
    EXPECT_TRUE(WaitFor([&] { return !hot->Balloon()->isVisible(); })) << "gone once the mouse leaves";
}

TEST(QtWindowTest, MessageDialogReturnsOkAndCancelAsModalResults) {
    Harness h;
    struct Case {
        uint8_t buttons;
        uint8_t icon;
        const char* press;  // a button, or "Escape"
        int result;
        QStringList shown;
    } cases[] = {
        {1, kIconStop, "OK", kModalOk, {"OK"}},
        {2, kIconHelp, "OK", kModalOk, {"OK", "Cancel"}},
        {2, kIconHelp, "Cancel", kModalCancel, {"OK", "Cancel"}},
        {3, kIconWarning, "Cancel", kModalCancel, {"OK", "Cancel", "Cancel"}},
        {2, kIconInformation, "Escape", kModalCancel, {"OK", "Cancel"}},
        {1, kIconNone, "Escape", kModalOk, {"OK"}},
    };
    for (const Case& c : cases) {
        bool escape = std::strcmp(c.press, "Escape") == 0;
        QStringList shown;
        bool iconShown = false;
        QTimer look;
        look.setInterval(5);
        QObject::connect(&look, &QTimer::timeout, [&] {
            QWidget* m = QApplication::activeModalWidget();
            if (!m || !m->isVisible() || !shown.isEmpty()) return;
            for (auto* b : m->findChildren<QPushButton*>())
                if (b->isVisible()) shown << b->text();
            iconShown = m->findChild<QLabel*>("icon")->isVisible();
            if (escape) {
                QTest::keyClick(m, Qt::Key_Escape);
            } else {
                for (auto* b : m->findChildren<QPushButton*>())
                    if (b->isVisible() && b->text() == c.press) {
                        QTest::mouseClick(b, Qt::LeftButton);
                        break;
                    }
            }
        });
        look.start();
        int result = h.form->ShowMessageDialog("Confirm ...", "Do you really want to erase your disc ?", c.buttons, c.icon);
        EXPECT_EQ(result, c.result) << int(c.buttons) << " " << c.press;
        EXPECT_EQ(shown, c.shown) << int(c.buttons) << " " << c.press;
        EXPECT_EQ(iconShown, c.icon != kIconNone) << int(c.icon);
    }
}

TEST(QtWindowTest, QuickEraseRunsToTheSuccessMessageWithTheControlsDisabled) {
    Harness h;
    DialogAnswerer answerer(*h.window);
    auto* quick = h.Find<QAbstractButton>("BtnQuick");
    h.MoveTo(h.CentreOf("BtnQuick"));
    QTest::mouseClick(quick, Qt::LeftButton);
    QCoreApplication::processEvents();

    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[0].caption, "Confirm ...");
    EXPECT_EQ(answerer.seen[0].text, "Do you really want to erase your disc ?");
    EXPECT_EQ(answerer.seen[0].buttons, (QStringList{"OK", "Cancel"}));
    EXPECT_TRUE(answerer.seen[0].iconShown);
    EXPECT_EQ(answerer.seen[1].caption, "Information ...");
    EXPECT_TRUE(answerer.seen[1].text.startsWith("The disc has been erased successfully !"));
    EXPECT_EQ(answerer.seen[1].buttons, QStringList{"OK"});
    for (const SeenDialog& d : answerer.seen) EXPECT_FALSE(d.controlsEnabled) << d.caption.toStdString();

    // The request has ended: controls back, status cleared, progress back at 0.
    EXPECT_TRUE(h.Enabled("cboDrives") && h.Enabled("BtnQuick") && h.Enabled("BtnFull"));
    EXPECT_EQ(h.window->StatusLabel(), "");
    EXPECT_EQ(h.Find<StatusBarWidget>("sbar")->PanelText(), "");
    EXPECT_EQ(h.window->ProgressPosition(), 0);
    EXPECT_EQ(h.Help().toStdString(), layout::kQuickEraseHelp) << "the help kept what it had at the click";
    EXPECT_TRUE(h.window->isVisible());

    // What the user saw under the success message, saved for people and checked for layout.
    QImage shot = answerer.shotAtSuccess;
    ASSERT_FALSE(shot.isNull());
    shot.save(QDir::current().filePath("qt-window-success.png"), "PNG");
    EXPECT_EQ(shot.size(), QSize(layout::kClientWidth, layout::kClientHeight) * h.window->devicePixelRatio());
    shot = shot.scaled(layout::kClientWidth, layout::kClientHeight);
    struct Point {
        const char* what;
        int x, y;
        std::function<bool(QColor)> fits;
    } points[] = {
        {"title bar: silver-blue", 300, 12,
         [](QColor c) { return c.blue() > c.red() + 20 && c.blue() > 150 && c.red() > 80 && c.red() < 200; }},
        {"border", 0, 300, [](QColor c) { return qAbs(c.red() - 102) < 12 && qAbs(c.blue() - 126) < 12; }},
        {"page frame: light grey", 4, 26 + 100,
         [](QColor c) { return c.red() > 210 && c.green() > 210 && c.blue() > 215 && c.blue() >= c.red(); }},
        {"upper panel: near white", 400, 26 + 20, [](QColor c) { return c.red() > 235 && c.green() > 235 && c.blue() > 235; }},
        {"lower panel: blue", 100, 26 + 440, [](QColor c) { return c.blue() > 100 && c.red() < 60 && c.blue() > c.green() + 40; }},
        {"status bar", 150, 528,
         [](QColor c) { return qAbs(c.red() - 224) <= 2 && qAbs(c.green() - 223) <= 2 && qAbs(c.blue() - 227) <= 2; }},
        {"progress fill: blue", 311, 528, [](QColor c) { return c.blue() > 180 && c.red() < 130 && c.blue() > c.red() + 80; }},
        {"progress end: filled too", 441, 528, [](QColor c) { return c.blue() > 180 && c.red() < 130; }},
    };
    for (const Point& p : points) {
        QColor c = shot.pixelColor(p.x, p.y);
        EXPECT_TRUE(p.fits(c)) << p.what << " at " << p.x << "," << p.y << " is " << c.red() << "," << c.green() << ","
                               << c.blue();
    }
    // The same places without progress: the bar's own colour.
    QImage idle = h.window->grab().toImage().scaled(layout::kClientWidth, layout::kClientHeight);
    QColor bar = idle.pixelColor(311, 528);
    EXPECT_TRUE(qAbs(bar.red() - 224) <= 2 && qAbs(bar.blue() - 227) <= 2) << bar.red() << "," << bar.blue();
    idle.save(QDir::current().filePath("qt-window.png"), "PNG");
}

TEST(QtWindowTest, CancellingTheConfirmationErasesNothing) {
    Harness h;
    DialogAnswerer answerer(*h.window);
    answerer.answers << "Cancel";
    QTest::mouseClick(h.Find<QAbstractButton>("BtnFull"), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].caption, "Confirm ...");
    EXPECT_TRUE(h.Enabled("cboDrives") && h.Enabled("BtnQuick") && h.Enabled("BtnFull"));
}

TEST(QtWindowTest, ClosingDuringARequestEndsItWithoutASuccessMessage) {
    Harness h;
    DialogAnswerer answerer(*h.window);
    bool visibleWhenAsked = false;
    int closesAsked = 0;
    // Once the erase is under way, the user closes the window.
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (closesAsked == 0 && h.window->ProgressPosition() > 0) {
            closesAsked++;
            h.window->close();
            visibleWhenAsked = h.window->isVisible();
        }
    });
    closer.start();
    QTest::mouseClick(h.Find<QAbstractButton>("BtnQuick"), Qt::LeftButton);
    ASSERT_EQ(closesAsked, 1) << "the erase never showed progress";
    EXPECT_TRUE(visibleWhenAsked) << "the window waits for the request to end";
    EXPECT_TRUE(h.window->ClosePending());
    EXPECT_TRUE(WaitFor([&] { return !h.window->isVisible(); }));
    for (const SeenDialog& d : answerer.seen) EXPECT_FALSE(d.text.contains("successfully")) << d.text.toStdString();
    ASSERT_GE(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].caption, "Confirm ...");
    EXPECT_FALSE(h.form->RequestRunning());
    EXPECT_TRUE(h.form->CloseRequested());
}

TEST(QtWindowTest, TheTitleBarsCloseButtonClosesTheWindow) {
    Harness h;
    // The close button: 21 x 21 at y 5, inside the right edge of the frame.
    const int size = layout::kTitleButtonSize;
    QPoint close(layout::kClientWidth - layout::kBorderWidth - 4 - size / 2, layout::kTitleButtonTop + size / 2);
    QTest::mouseClick(h.window.get(), Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_TRUE(WaitFor([&] { return !h.window->isVisible(); }));
}

TEST(QtWindowTest, ClosingWhenIdleClosesAtOnce) {
    Harness h;
    h.window->close();
    EXPECT_FALSE(h.window->isVisible());
    EXPECT_FALSE(h.window->ClosePending());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
