#pragma once

#include "core/ComponentError.h"

#include <QString>

#include <zip.h>

#include <memory>

// Owners of libzip's handles, and the errors they give as ComponentError{libzip code, description}.

struct ZipDiscard {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;

struct ZipSourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using ZipSource = std::unique_ptr<zip_source_t, ZipSourceFree>;

// A zip_error_t of libzip's that is cleaned up as it goes out of scope.
class ZipErrorHolder {
public:
    ZipErrorHolder() { zip_error_init(&error_); }
    explicit ZipErrorHolder(int code) { zip_error_init_with_code(&error_, code); }
    ~ZipErrorHolder() { zip_error_fini(&error_); }
    ZipErrorHolder(const ZipErrorHolder&) = delete;
    ZipErrorHolder& operator=(const ZipErrorHolder&) = delete;
    zip_error_t* get() { return &error_; }

private:
    zip_error_t error_;
};

// Opens the archive at path with libzip's flags; throws ComponentError naming the file.
ZipArchive OpenArchive(const QString& path, int flags);

// The error libzip holds for an archive, as ComponentError naming the file.
ComponentError ArchiveError(zip_t* za, const QString& path);
ComponentError ZipErrorOf(int code, const QString& path);
ComponentError ZipErrorOf(zip_error_t* error, const QString& path);
