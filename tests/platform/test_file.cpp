#include "platform/exception.h"
#include "platform/file.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST(File, CreateAlwaysTruncatesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("v.mp4");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old old old old");
    }
    CFile file;
    file.Open(path);
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ(contents(path), "new");

    // An empty file is taken as it is: no truncation, so its time stamp stays.
    const QString empty = dir.filePath("empty.mp4");
    ASSERT_TRUE(QFile(empty).open(QIODevice::WriteOnly));
    const timespec past[2] = {{1000000, 0}, {1000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, empty.toUtf8().constData(), past, 0), 0);
    file.Open(empty);
    file.Close();
    struct stat st {};
    ASSERT_EQ(::stat(empty.toUtf8().constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000);
    EXPECT_EQ(st.st_size, 0);
}

TEST(File, SecondWriterIsRefusedAndLeavesTheFirstFileIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("same.mp4");
    CFile first;
    first.Open(path);
    first.Write("first job's bytes", 17);

    CFile second;
    EXPECT_THROW(second.Open(path), CFileException);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(contents(path), "first job's bytes");

    // Once the first writer is done the file can be taken over.
    second.Open(path);
    second.Close();
    EXPECT_EQ(contents(path), "");
}

TEST(File, UncreatableFilesRaise)
{
    QTemporaryDir dir;
    CFile file;
    EXPECT_THROW(file.Open(dir.filePath("no/such/folder/x.jpg")), CFileException);
    EXPECT_THROW(file.Open(dir.filePath(QString(300, 'a') + ".mp4")), CFileException);  // name too long
    EXPECT_THROW(file.Open(QString()), CFileException);
    // A folder nobody may create files in, root included.
    EXPECT_THROW(file.Open("/proc/ferrowick-unwritable.mp4"), CFileException);
    EXPECT_THROW(file.Write("x", 1), CFileException);  // never opened
    // A folder in the way of the file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.mp4"));
    EXPECT_THROW(file.Open(dir.filePath("taken.mp4")), CFileException);
}

TEST(Paths, CombineAndCreateFolders)
{
    EXPECT_EQ(PathCombine("/a/b", "c.mp4"), "/a/b/c.mp4");
    EXPECT_EQ(PathCombine("/a/b/", "c.mp4"), "/a/b/c.mp4");
    EXPECT_EQ(PathCombine("/", "c.mp4"), "/c.mp4");
    QTemporaryDir dir;
    const QString deep = dir.filePath("x/y/z");
    EXPECT_TRUE(CreateFolderWithParents(deep));
    EXPECT_TRUE(QDir(deep).exists());
    EXPECT_TRUE(CreateFolderWithParents(deep));  // already there
    EXPECT_FALSE(CreateFolderWithParents(QString()));
}
