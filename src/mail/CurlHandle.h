#pragma once

#include <QByteArray>
#include <QFile>

#include <curl/curl.h>

#include <memory>

// What the mail server's session and the token endpoint's request share of libcurl: owned handles, and which
// certificates a TLS peer is checked against.

// A C library's free function as a unique_ptr's deleter.
template <auto fn> struct FreeWith {
    template <typename T> void operator()(T* p) const { fn(p); }
};
using CurlPtr = std::unique_ptr<CURL, FreeWith<curl_easy_cleanup>>;
using SlistPtr = std::unique_ptr<curl_slist, FreeWith<curl_slist_free_all>>;

// SSL_CERT_FILE adds to the system's certificates instead of replacing them. libcurl copies the names.
inline void TrustCertificates(CURL* c) {
    const QByteArray extra = qgetenv("SSL_CERT_FILE");
    if (extra.isEmpty())
        return;
    curl_easy_setopt(c, CURLOPT_CAINFO, extra.constData());
    if (QFile::exists(QStringLiteral("/etc/ssl/certs")))
        curl_easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
}
