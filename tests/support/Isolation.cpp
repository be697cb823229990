#include "support/Isolation.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class Isolation : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/brevimo-test-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a folder for the test under " << QDir::tempPath().toStdString();
            return;
        }
        root_ = QFile::decodeName(pattern);
        for (const char* name : {"TMPDIR", "HOME", "XDG_CONFIG_HOME"})
            saved_.emplace_back(name, qEnvironmentVariableIsSet(name), qgetenv(name));
        const QDir root(root_);
        for (const auto& [name, folder] :
             {std::pair{"TMPDIR", "tmp"}, {"HOME", "home"}, {"XDG_CONFIG_HOME", "config"}}) {
            root.mkdir(QString::fromLatin1(folder));
            qputenv(name, QFile::encodeName(root.filePath(QString::fromLatin1(folder))));
        }
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        for (const auto& [name, had, value] : saved_) {
            if (had)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
        saved_.clear();
        if (!root_.isEmpty())
            QDir(root_).removeRecursively();
        root_.clear();
    }

    QString root_;
    std::vector<std::tuple<const char*, bool, QByteArray>> saved_;
};

} // namespace

void IsolateEachTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Isolation);
}
