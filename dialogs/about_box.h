#pragma once

#include <QDialog>

class QPushButton;

namespace tonvarra::dialogs {

// TAboutBox: the About box with the program's icon, name and version. It is not
// modal; closing only hides it, so the next "About" shows the same box again.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void OKButtonClick();

private:
    QPushButton* OKButton_ = nullptr;
};

} // namespace tonvarra::dialogs
