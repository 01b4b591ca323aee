// The skinned controls of the main window, each a small Qt widget that paints itself.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

// suiImagePanel1: the page, its background image stretched onto it.
class PagePanel : public QWidget {
public:
    explicit PagePanel(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage background;
};

// BtnQuick and BtnFull: three images for normal, mouse-over and pressed; no focus rectangle.
class ImageButton : public QAbstractButton {
public:
    ImageButton(const char* text, QWidget* parent);
    std::function<void()> onMouseEnter, onMouseExit;
    bool Hovered() const { return hovered; }
    QSize sizeHint() const override { return images[0].size(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    QPixmap images[3];
    bool hovered = false;
};

// cboDrives: a drop-down list only, drawn with the skin's border, button and arrow.
class SkinnedCombo : public QComboBox {
public:
    explicit SkinnedCombo(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    // AutoDropDown: typing opens the list.
    void keyPressEvent(QKeyEvent* e) override;
};

// The balloon of a hint: rounded, with a tail toward the pointer and a shadow.
class BalloonHint : public QWidget {
public:
    BalloonHint();
    void ShowAt(const QString& text, QPoint pointer);
    QString Text() const { return text; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text;
    QRect bubble;
};

// Label7: an invisible hot area whose hint shows as a balloon once the mouse rests on it.
class HotArea : public QLabel {
public:
    HotArea(const QString& hint, QWidget* parent);
    ~HotArea() override;
    QString Hint() const { return hint; }
    BalloonHint* Balloon() { return &balloon; }

protected:
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    void Show();
    void Hide();

    QString hint;
    BalloonHint balloon;
    QTimer pause, hidePause;
};

// sbar: three panels; panel 0 holds the status text.
class StatusBarWidget : public QWidget {
public:
    explicit StatusBarWidget(QWidget* parent);
    void SetPanelText(const QString& text);
    QString PanelText() const { return panelText; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString panelText;
};

// suiProgressBar1: a bordered bar filled with a tiled image, its percentage as the caption.
class SkinnedProgressBar : public QWidget {
public:
    explicit SkinnedProgressBar(QWidget* parent);
    void SetMinimum(int value);
    void SetMaximum(int value);
    void SetPosition(int value);
    int Minimum() const { return minimum; }
    int Maximum() const { return maximum; }
    int Position() const { return position; }
    QString Caption() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int minimum, maximum, position;
    QPixmap fill;
};

// The border of the skinned frame, drawn over everything and transparent to the mouse.
class FrameBorder : public QWidget {
public:
    explicit FrameBorder(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};
