#pragma once

#include <QString>

// A host or domain name as DNS and URLs take it: lower case, international names in their ASCII form, one
// trailing dot dropped. Empty when the text is not a name (a label outside letters, digits and inner hyphens, or
// too long), so that nothing else can reach a URL or a query built from it.
QString AceDomainName(const QString& text);
