#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

// A folder on a file system that can be made full. As root it is a small tmpfs of its own, filled
// to the last block; elsewhere the process's file size limit drops to nothing instead (with
// SIGXFSZ ignored, so a write fails with EFBIG rather than ending the process), which refuses
// every byte written as a full disk would.
class FullFileSystem
{
public:
    ~FullFileSystem()
    {
        makeRoom();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    FullFileSystem() = default;
    // One owner for the mount and the saved limit and handler.
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes every block that is left.
    bool fill()
    {
        if (!m_mounted) {
            m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
            rlimit none = m_oldLimit;
            none.rlim_cur = 0;
            m_limited = ::setrlimit(RLIMIT_FSIZE, &none) == 0;
            return m_limited;
        }
        QFile filler(fillerPath());
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        // The last partial block, byte by byte.
        while (filler.write("x", 1) == 1) {
        }
        return true;
    }
    void makeRoom()
    {
        if (m_limited) {
            ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
            std::signal(SIGXFSZ, m_oldHandler);
            m_limited = false;
        }
        QFile::remove(fillerPath());
    }

private:
    QString fillerPath() const { return m_dir.filePath(QStringLiteral(".filler")); }

    QTemporaryDir m_dir;
    // Mounted over m_dir, which is made first.
    bool m_mounted =
        ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, "size=2m") == 0;
    bool m_limited = false;
    rlimit m_oldLimit{};
    void (*m_oldHandler)(int) = SIG_DFL;
};
