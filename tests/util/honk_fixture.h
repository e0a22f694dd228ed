#pragma once

#include "tests/util/recording_presenter.h"
#include "util/app_title.h"
#include "util/data_location.h"
#include "util/zarvo_honk.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
}

// A TZarvoHonk with a recording presenter whose data folder is a fresh
// temporary folder, and the application title the main window sets.
class HonkFixture : public ::testing::Test {
protected:
    static constexpr const char* kTitle = "Vendrix Quorvik";

    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv(datalocation::kDataDirVariable, FDir.path().toUtf8());
        apptitle::SetTitle(QString::fromLatin1(kTitle));
        Honk.SetPresenter(&Presenter);
    }
    void TearDown() override { qunsetenv(datalocation::kDataDirVariable); }

    QString LogPath() const { return FDir.filePath("Error.txt"); }

    QTemporaryDir FDir;
    TRecordingPresenter Presenter;
    TZarvoHonk Honk;
};
