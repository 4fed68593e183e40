#include "app/AboutBox.h"

#include "app/widgets/BitBtnXP.h"

#include <QDate>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    ProductName = new QLabel(QStringLiteral("Quillet"), this);
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel(QStringLiteral("MAR-VOK Quillet 1.0"), this);
    Copyright = new QLabel(QStringLiteral("Copyright \u00A9 XXXX MAR-VOK"), this);
    Copyright->setText(Copyright->text().replace(QStringLiteral("XXXX"),
                                                 QString::number(QDate::currentDate().year())));

    WebButton = new TBitBtnXP(this);
    WebButton->setText(QStringLiteral("&Web"));
    // The kind brings the caption, the glyph and closing the box.
    OKButton = new TBitBtnXP(bkOK, this);
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    connect(WebButton, &QPushButton::clicked, this, [this] { WebButtonClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(WebButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProductName);
    layout->addWidget(Version);
    layout->addWidget(Copyright);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

void TAboutBox::WebButtonClick()
{
    if (OpenUrl) OpenUrl(QUrl(QString::fromLatin1(kAboutWebAddress)));
}

} // namespace quillet
