#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// One archive operation: add files to a new or existing ZIP archive, or delete named entries from it.
// The caller sets every option it relies on before each run.
struct ZipRequest {
    QString archive;
    // Files to add (full paths), or entry names to delete (full names, as the listing gives them).
    QStringList names;

    bool junkDirs = true; // store names without their folders
    bool recurse = false;
    bool update = false;  // replace only when newer
    bool freshen = false; // replace existing entries only
    bool encrypt = false;
    bool comment = false;
    bool grow = false;          // add to the archive
    bool deleteEntries = false; // delete the named entries
    char level = '9';

    // After a failed run: what went wrong, naming the file.
    QString errorText;
};

// The options of an Add and of a Remove, with no names yet.
ZipRequest AddRequest(const QString& archive);
ZipRequest RemoveRequest(const QString& archive);

// Runs the request and returns libzip's error code, 0 on success. The archive is written in place through a
// temporary file: after a failure it is as it was, and request.errorText tells why.
int ZipRun(ZipRequest& request);

// True when the file can be opened for reading.
bool FileExists(const QString& path);
