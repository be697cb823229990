#include "app/WelcomePage.h"

#include "app/Captions.h"
#include "app/Keyboard.h"
#include "core/Version.h"
#include "shell/Shell.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kPictureWidth = 130;

} // namespace

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("page0"));
    welcomePicture = MakeControl<QLabel>(this, "welcomePicture");
    welcomePicture->setPixmap(QPixmap(QStringLiteral(":/brevimo/welcome.png")));
    welcomePicture->setFixedSize(kPictureWidth, kPictureHeight);
    titleLabel = MakeControl<QLabel>(this, "titleLabel");
    titleLabel->setText(ProgramName());
    QFont bold = titleLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.6);
    titleLabel->setFont(bold);
    versionLabel = MakeControl<QLabel>(this, "versionLabel");
    welcomeText = MakeControl<QLabel>(this, "welcomeText", Res::WelcomeText);
    welcomeText->setWordWrap(true);
    welcomeText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    showWelcomeBox = MakeControl<QCheckBox>(this, "showWelcomeBox", Res::ShowWelcomeAgain);

    auto* text = new QVBoxLayout;
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(titleLabel);
    titleRow->addStretch();
    titleRow->addWidget(versionLabel, 0, Qt::AlignBottom);
    text->addLayout(titleRow);
    text->addWidget(welcomeText, 1);
    text->addWidget(showWelcomeBox);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 8, 0);
    row->addWidget(welcomePicture, 0, Qt::AlignTop);
    row->addLayout(text, 1);
}

void WelcomePage::load() {
    Mnemonic(showWelcomeBox, u'A');
    versionLabel->setText(VersionText());
}
