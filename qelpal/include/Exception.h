#pragma once
// The one error mechanism of the system: a class tree rooted in
// qel::Exception. Every throw site constructs an error, records its location
// (QEL_LOCATE), optionally adds text and a cause, and calls raise().
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

// Records the throw site: source path relative to the tree root (the build
// maps the prefix away), line and unqualified function name.
#define QEL_LOCATE(err) (err).setLocation(__FILE__, __LINE__, __func__)

// One-line throw for errors that need no extra text or cause.
#define QEL_THROW(ErrorType, ...)                 \
    do {                                          \
        ErrorType qel_error_(__VA_ARGS__);        \
        QEL_LOCATE(qel_error_);                   \
        qel_error_.raise();                       \
    } while (0)

namespace qel {

class Exception : public std::exception {
public:
    // An error whose file equals m_off has no location.
    static const char* const m_off;

    ~Exception() override;

    const char* what() const noexcept override;
    [[noreturn]] virtual void raise() const = 0;
    virtual Exception* clone() const = 0;

    void setLocation(const char* file, int32_t line, const char* function);
    void setCause(const Exception& e);
    const Exception* cause() const { return m_cause; }

    const char* file() const { return m_file; }
    int32_t line() const { return m_line; }
    const char* function() const { return m_function; }

protected:
    Exception();
    Exception(const Exception& other);
    Exception& operator=(const Exception&) = delete;

    // Sets the location used until the thrower records the real one.
    void setDefaultLocation();

    // Appends the class-specific part of the description to m_text.
    virtual void appendDetails() const;

    mutable std::string m_text;

private:
    Exception* m_cause = nullptr;
    const char* m_file = m_off;
    int32_t m_line = 0;
    const char* m_function = nullptr;
};

// Message and kind are static C strings.
class StaticError : public Exception {
public:
    StaticError(const char* message, const char* kind);
    [[noreturn]] void raise() const override;
    StaticError* clone() const override;

protected:
    void appendDetails() const override;

private:
    const char* m_message;
    const char* m_kind;
};

// Wrong use of an interface (bad argument, wrong state).
class UsageError : public StaticError {
public:
    explicit UsageError(const char* message);
    [[noreturn]] void raise() const override;
    UsageError* clone() const override;
};

class RuntimeError : public StaticError {
public:
    explicit RuntimeError(const char* message);
    [[noreturn]] void raise() const override;
    RuntimeError* clone() const override;
};

// Message assembled at run time; throw sites write into stream().
class DynError : public Exception {
public:
    DynError(const std::string& message, const char* kind);
    DynError(const DynError& other);
    ~DynError() override;
    [[noreturn]] void raise() const override;
    DynError* clone() const override;

    // The message stream; writes are discarded when it could not be created.
    std::ostream& stream();

protected:
    void appendDetails() const override;

private:
    std::stringstream* m_stream = nullptr;
    const char* m_kind;
    static std::ostream& nullStream();
};

// Failure of a system or library call.
class OsError : public Exception {
public:
    explicit OsError(int err);
    [[noreturn]] void raise() const override;
    OsError* clone() const override;

    int errorNumber() const { return m_errno; }
    virtual std::string errorText() const;

protected:
    void appendDetails() const override;

private:
    int32_t m_errno;
};

class NoSuchProcessError : public OsError {
public:
    explicit NoSuchProcessError(int err);
    [[noreturn]] void raise() const override;
    NoSuchProcessError* clone() const override;
};

// File-system failure on a path. err -1 captures errno; 0 means no reason.
class FsError : public DynError {
public:
    explicit FsError(const std::string& path, int err = -1);
    [[noreturn]] void raise() const override;
    FsError* clone() const override;

    int errorNumber() const { return m_os_error.errorNumber(); }

protected:
    void appendDetails() const override;

private:
    OsError m_os_error;
};

#define QEL_FS_ERROR_SUBCLASS(Name)                               \
    class Name : public FsError {                                 \
    public:                                                       \
        explicit Name(const std::string& path, int err = -1)      \
            : FsError(path, err) {}                               \
        [[noreturn]] void raise() const override { throw *this; } \
        Name* clone() const override { return new Name(*this); }  \
    };

QEL_FS_ERROR_SUBCLASS(NoSuchFileError)
QEL_FS_ERROR_SUBCLASS(FileExistsError)
QEL_FS_ERROR_SUBCLASS(FileBusyError)
QEL_FS_ERROR_SUBCLASS(NotSameDeviceError)
#undef QEL_FS_ERROR_SUBCLASS

// Configuration problem; the kind is given by the thrower.
class ConfigError : public DynError {
public:
    ConfigError(const std::string& message, const char* kind);
    [[noreturn]] void raise() const override;
    ConfigError* clone() const override;
};

// Raises the FsError subclass that matches err (ENOENT, EEXIST, ETXTBSY,
// EXDEV) or a plain FsError, located at the caller's site.
[[noreturn]] void raiseFsError(const std::string& path, int err,
                               const char* file, int32_t line, const char* function);
#define QEL_RAISE_FS(path, err) ::qel::raiseFsError((path), (err), __FILE__, __LINE__, __func__)

// Renders an error and its causes as numbered, tab-indented blocks.
std::string describe(const Exception& e);

} // namespace qel
