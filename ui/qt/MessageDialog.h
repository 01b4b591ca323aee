// suiMessageDialog1: the one modal message dialog, skinned, shown with QDialog::exec.
#pragma once

#include <QColor>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <string>

class MessageDialog : public QDialog {
public:
    explicit MessageDialog(QWidget* owner);

    // The five properties the window's logic sets before every ShowModal.
    uint8_t buttonCount = 1;
    uint8_t iconType = 0;
    QColor captionColor;
    std::string text;
    std::string caption;

    // Shows the dialog centred on its owner and returns the modal result of the button
    // pressed: 1 for OK, 2 for Cancel.
    int ShowModal();
    bool Showing() const { return isVisible(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void reject() override;

private:
    QLabel* icon;
    QLabel* message;
    QPushButton* buttons[3];
    QPoint dragFrom;
    bool dragging = false;
};
