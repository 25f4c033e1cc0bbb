#include "Exception.h"

#include "gettext/Tr.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace qel {

const char* const Exception::m_off = nullptr;

namespace {
const char* const unknown_file = "<unknown-file>";
const char* const unknown_function = "<unknown-function>";
} // namespace

Exception::Exception() = default;

Exception::Exception(const Exception& other)
    : std::exception(other),
      m_cause(other.m_cause ? other.m_cause->clone() : nullptr),
      m_file(other.m_file),
      m_line(other.m_line),
      m_function(other.m_function) {}

Exception::~Exception() { delete m_cause; }

void Exception::setDefaultLocation() {
    setLocation(unknown_file, 0, unknown_function);
}

void Exception::setLocation(const char* file, int32_t line, const char* function) {
    m_file = file;
    m_line = line;
    m_function = function;
}

void Exception::setCause(const Exception& e) {
    Exception* copy = e.clone();
    delete m_cause;
    m_cause = copy;
}

const char* Exception::what() const noexcept {
    try {
        if (m_text.empty()) {
            if (m_file == m_off) {
                m_text = QEL_TR_PAL("Exception occured");
            } else {
                m_text = QEL_TR_PAL("Exception occured at");
                m_text += " \"";
                m_text += m_file;
                m_text += ':';
                m_text += std::to_string(m_line);
                m_text += " (";
                m_text += m_function ? m_function : unknown_function;
                m_text += ")\"";
            }
            appendDetails();
        }
        return m_text.c_str();
    } catch (...) {
        return "Exception occured";
    }
}

void Exception::appendDetails() const {}

// --- StaticError ---------------------------------------------------------

StaticError::StaticError(const char* message, const char* kind)
    : m_message(message), m_kind(kind) {}

void StaticError::raise() const { throw *this; }
StaticError* StaticError::clone() const { return new StaticError(*this); }

void StaticError::appendDetails() const {
    m_text += "\n\n";
    if (m_kind) {
        m_text += m_kind;
        m_text += QEL_TR_PAL(" error occured.");
    } else {
        m_text += QEL_TR_PAL("error occured.");
    }
    if (m_message) {
        m_text += ' ';
        m_text += m_message;
    }
}

UsageError::UsageError(const char* message) : StaticError(message, "Usage") {}
void UsageError::raise() const { throw *this; }
UsageError* UsageError::clone() const { return new UsageError(*this); }

RuntimeError::RuntimeError(const char* message) : StaticError(message, "Runtime ") {}
void RuntimeError::raise() const { throw *this; }
RuntimeError* RuntimeError::clone() const { return new RuntimeError(*this); }

// --- DynError --------------------------------------------------------------

DynError::DynError(const std::string& message, const char* kind) : m_kind(kind) {
    setDefaultLocation();
    try {
        m_stream = new std::stringstream;
        *m_stream << message;
    } catch (...) {
        delete m_stream;
        m_stream = nullptr;
    }
}

DynError::DynError(const DynError& other) : Exception(other), m_kind(other.m_kind) {
    try {
        m_stream = new std::stringstream;
        if (other.m_stream)
            *m_stream << other.m_stream->str();
    } catch (...) {
        delete m_stream;
        m_stream = nullptr;
    }
}

DynError::~DynError() { delete m_stream; }

void DynError::raise() const { throw *this; }
DynError* DynError::clone() const { return new DynError(*this); }

std::ostream& DynError::nullStream() {
    // A stream without buffer: writes set badbit and go nowhere.
    static std::ostream sink(nullptr);
    return sink;
}

std::ostream& DynError::stream() { return m_stream ? *m_stream : nullStream(); }

void DynError::appendDetails() const {
    m_text += "\n\n";
    if (m_kind) {
        m_text += m_kind;
        m_text += QEL_TR_PAL(" error occured.");
        m_text += ' ';
    }
    if (m_stream)
        m_text += m_stream->str();
}

ConfigError::ConfigError(const std::string& message, const char* kind)
    : DynError(message, kind) {}
void ConfigError::raise() const { throw *this; }
ConfigError* ConfigError::clone() const { return new ConfigError(*this); }

// --- OsError ---------------------------------------------------------------

OsError::OsError(int err) : m_errno(err) {}
void OsError::raise() const { throw *this; }
OsError* OsError::clone() const { return new OsError(*this); }

std::string OsError::errorText() const {
    char buffer[128];
    return ::strerror_r(m_errno, buffer, sizeof buffer);
}

void OsError::appendDetails() const {
    m_text += "\n\nSystem/Library call error: ";
    m_text += errorText();
    m_text += " (";
    m_text += std::to_string(m_errno);
    m_text += ')';
}

NoSuchProcessError::NoSuchProcessError(int err) : OsError(err) {}
void NoSuchProcessError::raise() const { throw *this; }
NoSuchProcessError* NoSuchProcessError::clone() const { return new NoSuchProcessError(*this); }

// --- FsError ---------------------------------------------------------------

namespace {
// Reads errno before anything else can change it.
int effectiveErrno(int err) { return err == -1 ? errno : err; }
} // namespace

FsError::FsError(const std::string& path, int err)
    : DynError("", QEL_TR_PAL("File system")), m_os_error(effectiveErrno(err)) {
    m_os_error.setLocation(unknown_file, 0, unknown_function);
    stream() << QEL_TR_PAL("At location: \"") << path << '"';
}

void FsError::raise() const { throw *this; }
FsError* FsError::clone() const { return new FsError(*this); }

void FsError::appendDetails() const {
    DynError::appendDetails();
    if (m_os_error.errorNumber() != 0) {
        m_text += '\n';
        m_text += QEL_TR_PAL("Reason: ");
        m_text += m_os_error.errorText();
        m_text += '.';
    }
}

namespace {
template <class E>
[[noreturn]] void raiseLocated(const std::string& path, int err, const char* file,
                               int32_t line, const char* function) {
    E e(path, err);
    e.setLocation(file, line, function);
    e.raise();
}
} // namespace

void raiseFsError(const std::string& path, int err, const char* file, int32_t line,
                  const char* function) {
    err = effectiveErrno(err);
    switch (err) {
    case ENOENT: raiseLocated<NoSuchFileError>(path, err, file, line, function);
    case EEXIST: raiseLocated<FileExistsError>(path, err, file, line, function);
    case ETXTBSY: raiseLocated<FileBusyError>(path, err, file, line, function);
    case EXDEV: raiseLocated<NotSameDeviceError>(path, err, file, line, function);
    default: raiseLocated<FsError>(path, err, file, line, function);
    }
}

// --- describe --------------------------------------------------------------

std::string describe(const Exception& e) {
    std::ostringstream out;
    int n = 1;
    for (const Exception* current = &e; current; current = current->cause(), ++n) {
        out << "\n#" << n << ")\n";
        const std::string text = current->what();
        std::string::size_type start = 0;
        while (start < text.size()) {
            std::string::size_type end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            out << '\t' << text.substr(start, end - start) << '\n';
            start = end + 1;
        }
    }
    return out.str();
}

} // namespace qel
