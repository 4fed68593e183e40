#pragma once
// Help > About: the program's name, version and copyright year, and a
// button that opens the program's web site in the default browser.

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

namespace quillet {

inline constexpr const char* kAboutWebAddress = "https://quillet.example.org/";

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    // Its caption's "XXXX" is the current year.
    QLabel* Copyright = nullptr;
    QPushButton* WebButton = nullptr;
    QPushButton* OKButton = nullptr;

    // How the web button opens an address (the desktop's browser unless
    // replaced); a failure to start a browser is not reported.
    std::function<void(const QUrl&)> OpenUrl;

    void WebButtonClick();
};

} // namespace quillet
