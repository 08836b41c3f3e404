#include "program_output.h"

#include <cstring>
#include <ostream>

#include "channel_list/file_ops.h"
#include "messages.h"
#include "zelq_list.h"

namespace {

// How many of the bytes end in a whole UTF-8 character: a sequence cut
// short at the end is left for the next write.
std::size_t WholeCharacters(const char* text, std::size_t size) {
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
        const unsigned char byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// Where the last line held ends (after its line break); 0 when none does.
std::size_t LinesEnd(const char* text, std::size_t size) {
    while (size > 0 && text[size - 1] != '\n') --size;
    return size;
}

}  // namespace

StandardStreamBuffer::StandardStreamBuffer(StandardStream stream) : stream_(stream) {
    setp(buffer_, buffer_ + kSize);
}

StandardStreamBuffer::~StandardStreamBuffer() { WriteAll(); }

bool StandardStreamBuffer::WriteHeld(std::size_t size) {
    const std::size_t held = static_cast<std::size_t>(pptr() - pbase());
    if (!failed_ && size > 0 && !WriteStandardStream(stream_, buffer_, size, &failure_)) failed_ = true;
    setp(buffer_, buffer_ + kSize);
    if (failed_) return false;
    std::memmove(buffer_, buffer_ + size, held - size);
    pbump(static_cast<int>(held - size));
    return true;
}

StandardStreamBuffer::int_type StandardStreamBuffer::overflow(int_type c) {
    if (failed_) return traits_type::eof();
    const std::size_t held = static_cast<std::size_t>(pptr() - pbase());
    std::size_t size = LinesEnd(buffer_, held);
    if (size == 0) size = WholeCharacters(buffer_, held);
    if (size == 0) size = held;  // no character at all: bytes that are no UTF-8
    if (!WriteHeld(size)) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int StandardStreamBuffer::sync() {
    if (failed_) return -1;
    const std::size_t size = LinesEnd(buffer_, static_cast<std::size_t>(pptr() - pbase()));
    return size == 0 || WriteHeld(size) ? 0 : -1;
}

bool StandardStreamBuffer::WriteAll() {
    return !failed_ && WriteHeld(static_cast<std::size_t>(pptr() - pbase()));
}

bool OutputWritten(std::ostream& out, std::string* reason, bool* pipeClosed) {
    out.flush();
    StandardStreamBuffer* const buffer = dynamic_cast<StandardStreamBuffer*>(out.rdbuf());
    if (buffer && !buffer->WriteAll()) out.setstate(std::ios::badbit);
    if (pipeClosed) *pipeClosed = buffer && buffer->Failed() && buffer->Failure().Kind == OutputError::kPipeClosed;
    if (out) return true;
    if (!buffer || !buffer->Failed()) {
        *reason = "an unknown error";
    } else if (buffer->Failure().Kind == OutputError::kDiskFull) {
        *reason = FileErrorReason(FileError{kFileErrorDiskFull, 0, false});
    } else if (buffer->Failure().Kind == OutputError::kPipeClosed) {
        *reason = "the pipe is closed (the program reading the output has ended)";
    } else {
        *reason = FileErrorReason(FileError{kFileErrorOther, buffer->Failure().SystemCode, false});
    }
    return false;
}

int ReportChangeMade(std::ostream& out, std::ostream& err, const std::string& line) {
    out << line << '\n';
    std::string reason;
    if (OutputWritten(out, &reason)) return kExitOk;
    return ReportChangeUntold(err, "cannot write the output: " + reason, line);
}

int ReportChangeUntold(std::ostream& err, const std::string& why, const std::string& line) {
    ReportError(err, why + "; the change was made all the same (" + line + ")");
    return kExitChangedUnreported;
}
