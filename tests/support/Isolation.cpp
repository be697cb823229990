#include "support/Isolation.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class Isolation : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/brevimo-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern.data())) << "no folder for the test under " << QDir::tempPath().toStdString();
        root_ = QFile::decodeName(pattern);
        for (const auto& [name, folder] : {std::pair{"TMPDIR", "tmp"},
                                           {"HOME", "home"},
                                           {"XDG_CONFIG_HOME", "config"},
                                           {"XDG_STATE_HOME", "state"}}) {
            QDir(root_).mkdir(QString::fromLatin1(folder));
            env_.push_back(std::make_unique<ScopedEnv>(name, pattern + '/' + folder));
        }
        // Never the machine's own disk service: a test must not list, unmount or power off real disks.
        env_.push_back(std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + pattern + "/no-bus"));
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        env_.clear();
        if (!root_.isEmpty())
            QDir(root_).removeRecursively();
        root_.clear();
    }

    QString root_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

} // namespace

void IsolateEachTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Isolation);
}
