// Every page and dialog as laid out on the screen, run once at each scale factor CTest gives (QT_SCALE_FACTOR):
// no control that should show is hidden, none has no size, none is cut off by its parent or squeezed below the
// size its text needs, and no two overlap. Nothing is left open afterwards. And the progress bar as it is drawn.

#include "app/DestinationPage.h"
#include "app/GnomeAccountOffer.h"
#include "app/JoinPage.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "app/ProgressBar.h"
#include "app/SourcePage.h"
#include "app/SummaryPage.h"
#include "app/WizardWindow.h"
#include "archive/ArchiveEditor.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QtWidgets>

#include <set>

namespace {

// A control of ours: the widgets the windows name, not the parts Qt builds inside them.
bool isControl(const QWidget* w) {
    return !w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"_qs) && !w->isWindow();
}

QString nameOf(const QWidget* w) {
    return w->objectName() + w->property("index").toString();
}

// What is wrong with the window as it shows now; `away` are the controls that should not show (with all they hold).
QStringList faults(QWidget* window, const std::set<QWidget*>& away) {
    QApplication::processEvents();
    QStringList found;
    const auto isAway = [&](const QWidget* w) {
        for (; w && w != window; w = w->parentWidget())
            if (away.count(const_cast<QWidget*>(w)))
                return true;
        return false;
    };
    QList<QWidget*> shown;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w))
            continue;
        if (isAway(w)) {
            if (away.count(w) && w->isVisible())
                found << nameOf(w) + u" shows"_qs;
            continue;
        }
        if (!w->isVisible()) {
            found << nameOf(w) + u" hidden"_qs;
            continue;
        }
        shown << w;
        const QRect r = w->geometry();
        if (r.isEmpty())
            found << nameOf(w) + u" has no size"_qs;
        if (!w->parentWidget()->rect().contains(r))
            found << nameOf(w) + u" cut off by "_qs + nameOf(w->parentWidget());
        const QSize least = w->minimumSizeHint();
        if (least.isValid() && (r.width() < least.width() || r.height() < least.height()))
            found << QStringLiteral("%1 squeezed to %2x%3 below %4x%5")
                         .arg(nameOf(w))
                         .arg(r.width())
                         .arg(r.height())
                         .arg(least.width())
                         .arg(least.height());
    }
    for (qsizetype i = 0; i < shown.size(); ++i)
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            if (shown[i]->parentWidget() == shown[j]->parentWidget() &&
                shown[i]->geometry().intersects(shown[j]->geometry()))
                found << nameOf(shown[i]) + u" overlaps "_qs + nameOf(shown[j]);
    return found;
}

class Layout : public JobTest {
protected:
    Layout() {
        sender();
        store.set(u"UseRAS"_qs, u"0"_qs);
    }
    // The wizard's state now, at the size it opened with and at the smallest the user can make it.
    void check(WizardWindow& w, const QString& state, std::set<QWidget*> away) {
        for (QWidget* page : {w.pages[0], w.pages[1], w.pages[2], w.pages[3], static_cast<QWidget*>(w.joinPage)})
            if (page->isHidden())
                away.insert(page);
        const QSize opened = w.size();
        for (const QSize size : {opened, w.minimumSize()}) {
            w.resize(size);
            EXPECT_EQ(faults(&w, away).join(u", "_qs), u""_qs)
                << state.toStdString() << " at " << size.width() << "x" << size.height();
        }
        w.resize(opened);
    }
};

TEST_F(Layout, EveryPageAndDialogShowsEachControlWhole) {
    {
        const QString archive = dir.filePath(u"holiday photos.zip"_qs);
        ArchiveEditor editor(archive);
        ASSERT_EQ(editor.add({file(u"beach.jpg"_qs, QByteArray(70000, 'b')), file(u"notes.txt"_qs, "notes")}), 0);
        WizardWindow w(settings, shell);
        w.load();
        w.show();
        SummaryPage& summary = *w.summaryPage;
        check(w, u"welcome"_qs, {summary.progressBar});
        w.nextButton->click();
        w.sourcePage->sourceField->setText(archive);
        w.sourcePage->listArchive(archive);
        check(w, u"source with an archive listed"_qs, {summary.progressBar});
        w.nextButton->click();
        check(w, u"mail"_qs, {summary.progressBar});
        w.destinationPage->filesOption->setEnabled(true);
        w.destinationPage->filesOption->click();
        check(w, u"folder"_qs, {summary.progressBar});
        w.nextButton->click();
        check(w, u"summary"_qs, {summary.progressBar});
        summary.progressBar->setVisible(true); // as Finish shows it
        w.showProgress(50, u"Writing: "_qs + dir.filePath(u"holiday photos.001"_qs).repeated(4));
        check(w, u"summary during a job"_qs, {});
        SplitJob join = w.job();
        join.JoinSource = file(u"report.001"_qs, "piece");
        w.showJob(join);
        check(w, u"join"_qs, {w.joinPage->progressBar});
        w.joinPage->progressBar->setVisible(true);
        w.showProgress(50, u"Joining report.001"_qs);
        check(w, u"join during a job"_qs, {});

        MailSettingsDialog mailSettings(settings, w.dialUp, &w);
        mailSettings.load();
        mailSettings.show();
        // The notes beside the fields show only when there is something to say; the GNOME account when GNOME has one.
        EXPECT_EQ(faults(&mailSettings,
                         {mailSettings.serverProblemLabel, mailSettings.portProblemLabel,
                          mailSettings.serverSourceLabel, mailSettings.testResultLabel, mailSettings.signInButton,
                          mailSettings.signInStatusLabel, mailSettings.gnomeAccountBox})
                      .join(u", "_qs),
                  u""_qs)
            << "e-mail settings";
        // The browser sign-in takes the password's place, and says what it lacks.
        mailSettings.serverField->setText(u"smtp.gmail.com"_qs);
        mailSettings.signInField->setCurrentIndex(2);
        EXPECT_EQ(faults(&mailSettings,
                         {mailSettings.serverProblemLabel, mailSettings.portProblemLabel,
                          mailSettings.serverSourceLabel, mailSettings.testResultLabel, mailSettings.passwordLabel,
                          mailSettings.passwordField, mailSettings.gnomeAccountBox})
                      .join(u", "_qs),
                  u""_qs)
            << "e-mail settings, OAuth2";
        MessageOptionsDialog message(w.job(), settings, shell, &w);
        message.load();
        message.show();
        EXPECT_EQ(faults(&message, {}).join(u", "_qs), u""_qs) << "message options";
        message.close();
        mailSettings.close();
        w.close();
    }
    {
        // The destination page with the list of USB sticks: the page grows by it.
        StandInUDisks udisks;
        ASSERT_TRUE(udisks.running());
        for (const char* stick : {"S1 HOLIDAY vfat 8000000000", "S2 CARD exfat 2000000000"}) {
            const QStringList words = QString::fromLatin1(stick).split(u' ');
            ASSERT_TRUE(
                udisks.command(u"add "_qs + words[0] + u' ' + folder(words[0]) + u' ' + words.mid(1).join(u' ')));
        }
        WizardWindow w(settings, shell);
        w.load();
        w.show();
        w.nextButton->click();
        w.nextButton->click();
        w.destinationPage->filesOption->setEnabled(true);
        w.destinationPage->filesOption->click();
        w.destinationPage->floppyOption->click();
        ASSERT_EQ(w.destinationPage->diskList->count(), 2);
        check(w, u"USB sticks"_qs, {w.summaryPage->progressBar});
        w.close();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

// The bar: its value for a screen reader, and the part drawn in the highlight colour, 4 pixels inside the box.
TEST(ProgressBar, ValueAndBarOfEachShare) {
    JobProgressBar bar(nullptr);
    bar.resize(210, 22); // a track of 200 pixels inside the box and its margins
    bar.show();
    const std::pair<int, int> cases[] = {{0, 0}, {-5, 0}, {1, 2}, {33, 66}, {50, 100}, {100, 200}, {150, 200}};
    for (const auto& [percent, width] : cases) {
        bar.setPercent(percent);
        const QImage image = bar.grab().toImage();
        const auto lit = [&](int x) {
            const qreal ratio = image.devicePixelRatio();
            return image.pixelColor(QPoint(x, 11) * ratio) == bar.palette().color(QPalette::Highlight);
        };
        int drawn = 0;
        for (int x = 0; x < bar.width(); ++x)
            drawn += lit(x);
        EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(bar.value()).arg(drawn).arg(width > 0 && lit(5) && !lit(4)),
                  QStringLiteral("%1 %2 %3").arg(std::clamp(percent, 0, 100)).arg(width).arg(width > 0))
            << percent;
    }
}

// The check itself finds what it is there to find.
TEST(LayoutCheck, FindsHiddenEmptyCutOffSqueezedAndOverlapping) {
    {
        QWidget window;
        window.setObjectName(u"window"_qs);
        window.resize(200, 100);
        const auto make = [&](const char* name, QRect where) {
            auto* b = new QPushButton(u"A caption of some length"_qs, &window);
            b->setObjectName(QString::fromLatin1(name));
            b->setGeometry(where);
            return b;
        };
        make("whole", {0, 0, 190, 30});
        make("overlapping", {100, 20, 90, 30});
        make("empty", {0, 60, 0, 0});
        make("cut", {150, 60, 190, 30});
        make("hidden", {0, 60, 190, 30})->setVisible(false);
        window.show();
        const QString found = faults(&window, {}).join(u", "_qs);
        EXPECT_TRUE(Matches(found,
                            u"overlapping squeezed to 90x30 below *, empty has no size, empty cut off by window, "
                            u"empty squeezed to 0x0 below *, cut cut off by window, hidden hidden, whole overlaps "
                            u"overlapping"_qs))
            << found.toStdString();
    }
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

} // namespace
