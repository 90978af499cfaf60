#pragma once
// CFileException: the exception of the file readers for an unreadable or
// malformed file. Callers catch it (or everything) and treat the file as
// having nothing to offer.

#include <exception>

class CFileException : public std::exception {
public:
    enum Cause { none = 0, genericException = 1, fileNotFound = 2, badSeek = 12, endOfFile = 14 };

    explicit CFileException(Cause cause = genericException) : m_cause(cause) {}
    const char* what() const noexcept override { return "file exception"; }

    Cause m_cause;
};
