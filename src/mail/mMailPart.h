#pragma once

#include "mail/mMail.h"

#include <QString>

#include <memory>
#include <vector>

// One MIME part of the message being composed, as the component's calls set it.
struct mMail::Part {
    QString type, subtype, parameter, encoding, disposition, boundary;
    QString file;
    QString text;
    bool hasText = false;
    Part* parent = nullptr;
    std::vector<std::unique_ptr<Part>> children;
};
