#pragma once

#include <unistd.h>

namespace EditorCore {

// Owns a file descriptor opened for reading and closes it when it goes. A failure to close a
// read handle loses nothing, so it is not reported.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace EditorCore
