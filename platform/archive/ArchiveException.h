#pragma once
// The one failure of reading an archive: the bytes end early, or what they
// say cannot be (an unknown class reference, a class the reader does not
// accept, a record its reader refuses). Readers abandon the archive as a whole.

#include <exception>

namespace platform {

class ArchiveException : public std::exception {
public:
    enum Cause {
        endOfFile,    // a value or a length reaches past the bytes left
        badIndex,     // a class or object reference that was never stored
        badClass,     // a class name or schema the reader does not accept
        invalidFile,  // a record its own reader refuses
    };

    explicit ArchiveException(Cause cause) : m_cause(cause) {}
    const char* what() const noexcept override;

    Cause m_cause;
};

}  // namespace platform
