#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// Adds files to a ZIP archive, or removes entries from it. The archive is written in place through a temporary
// file: after a failure it is as it was, and errorText() says why.
class ArchiveEditor {
public:
    explicit ArchiveEditor(QString archive) : archive_(std::move(archive)) {}
    const QString& archive() const { return archive_; }

    // Adds the files (full paths) under their names alone, deflated at level 9; an entry of the same name is
    // replaced. An archive that is not there yet is made. Returns libzip's error code, 0 on success.
    int add(const QStringList& files);
    // Removes the entries (full names, as the listing gives them). Returns libzip's error code, 0 on success.
    int remove(const QStringList& names);

    // After a failed add or remove: what went wrong, naming the file.
    const QString& errorText() const { return errorText_; }

private:
    int run(const QStringList& names, void (*change)(const QString& archive, const QStringList& names));

    QString archive_;
    QString errorText_;
};

// True when the file can be opened for reading.
bool FileExists(const QString& path);
