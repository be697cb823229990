#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

// The wizard's first page: the picture, the program's name and version, what it does, and whether the page is
// shown at the next start.
class WelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit WelcomePage(QWidget* parent);

    // The version and the access keys, once the captions are filled.
    void load();

    // Every page is at least this high, as the picture.
    static constexpr int kPictureHeight = 280;

    QLabel* welcomePicture;
    QLabel* titleLabel;
    QLabel* versionLabel;
    QLabel* welcomeText;
    QCheckBox* showWelcomeBox;
};
