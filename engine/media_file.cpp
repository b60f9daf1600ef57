#include "engine/media_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fanbord {

namespace {

bool fail(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

bool startsWith(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* tag) {
    const std::size_t n = std::strlen(tag);
    return bytes.size() >= at + n && std::equal(tag, tag + n, bytes.begin() + long(at));
}

} // namespace

bool readMediaFile(const std::string& path, std::vector<std::uint8_t>& bytes, MediaKind& kind, std::string& why) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(why, "no such file");
        if (errno == EACCES || errno == EPERM)
            return fail(why, "not readable: permission denied");
        return fail(why, std::string("cannot open: ") + std::strerror(errno));
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (ok && S_ISDIR(info.st_mode)) {
        close(fd);
        return fail(why, "a folder, not a file");
    }
    if (ok && !S_ISREG(info.st_mode)) {
        close(fd);
        return fail(why, "not a regular file");
    }
    bytes.clear();
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            close(fd);
            return fail(why, std::string("read error: ") + std::strerror(error));
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    close(fd);
    if (bytes.empty())
        return fail(why, "the file is empty");
    // The content decides, not the name: "Danmark.MID", "BLIP.Wav".
    if (startsWith(bytes, 0, "MThd")) {
        kind = MediaKind::Midi;
        return true;
    }
    if ((startsWith(bytes, 0, "RIFF") || startsWith(bytes, 0, "RIFX") || startsWith(bytes, 0, "RF64")) &&
        startsWith(bytes, 8, "WAVE")) {
        kind = MediaKind::Wav;
        return true;
    }
    return fail(why, "not a MIDI or WAV file");
}

} // namespace fanbord
