#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

// The confirmation asked when a new download would write a file that already exists: do not
// download (0), overwrite (1) or download under a new name (2). Any way of closing it other than OK
// with option 1 or 2 selected answers 0, the safe choice.
class frmMsgBox final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMsgBox)

public:
    explicit frmMsgBox(QWidget *parent = nullptr);
    ~frmMsgBox() override;

    int Answer() const { return m_answer; }

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QRadioButton *VideoOption[3] = {};
    QPushButton *cmdOK = nullptr;

    void cmdOK_Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    int m_answer = 0;
};
