#pragma once

// Names: the controls (ProductName, Version, Label1, OKButton, ...) and Label1Click are the
// form design's; m_ members are ours.

#include <QDialog>

class TUserDialogs;

// The about box: the product, its version, the maker and the maker's home
// page, which opens in the browser when clicked.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    // The box, opening the home page through `dialogs`, which must outlive it.
    explicit TAboutBox(TUserDialogs& dialogs, QWidget* parent = nullptr);

    // The home page address was clicked: open it.
    void Label1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TUserDialogs& m_dialogs;
    QWidget* m_address;
};
