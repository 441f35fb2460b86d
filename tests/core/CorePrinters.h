#pragma once

#include "MarlvaneError.h"

#include <QString>

#include <ostream>

// Lets failed expectations show the error's message instead of its bytes.
inline void PrintTo(const MarlvaneError& error, std::ostream* out)
{
    *out << "MarlvaneError(" << error.what() << ")";
}

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
