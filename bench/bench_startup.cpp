// bench_startup [rows [rounds]]
// Starts the real program with restored rows (100 unless given), offscreen,
// and prints:
// the time from process start to the page's first contentful paint (the
// rows come with the page's first document), the resident memory of the
// program and its web engine processes together, and the time to quit with
// nothing running. Repeats a few times; asserts nothing.

#include "store/appxml.h"
#include "tests/support/testprogram.h"
#include "tests/waitfor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <vector>

namespace {

// Resident kilobytes of a process and all of its descendants: the plain sum
// of their resident sets, and the proportional sum that counts a page shared
// by several of them (the web engine's libraries) once in all.
struct Memory {
    long rssKb = 0;
    long pssKb = 0;
};

long Field(const QString& file, const char* name)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(name))
            return l.mid(qsizetype(strlen(name))).trimmed().split(' ').value(0).toLong();
    return 0;
}

Memory TreeMemory(qint64 root)
{
    std::vector<std::pair<qint64, qint64>> parents;  // pid, ppid
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parents.push_back({pid, fields[1].toLongLong()});
    }
    std::vector<qint64> tree{root};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, ppid] : parents)
            if (ppid == tree[i])
                tree.push_back(pid);
    Memory m;
    for (qint64 pid : tree) {
        m.rssKb += Field(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
        m.pssKb += Field(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
    }
    return m;
}

struct Run {
    double paintMs = -1;
    Memory memory;
    double quitMs = -1;
    int rows = 0;
};

Run Once(const QString& home)
{
    Run r;
    TestProgram app(home);
    app.process().setStandardErrorFile(QProcess::nullDevice());
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    app.start();
    if (!app.connect())
        return r;
    WaitFor([&] { return app.eval("performance.getEntriesByName('first-contentful-paint').length").toInt() > 0; },
            30000);
    r.paintMs = app.eval("performance.timeOrigin + performance.getEntriesByName('first-contentful-paint')[0]"
                         ".startTime")
                    .toDouble() -
                double(started);
    r.rows = app.eval("document.querySelectorAll('#content option').length").toInt();
    QThread::msleep(1500);  // settled after the first refresh
    r.memory = TreeMemory(app.process().processId());
    const QJsonArray c = app.eval("(() => { const b = document.getElementById('close').getBoundingClientRect();"
                                  " return [b.left + b.width / 2, b.top + b.height / 2]; })()")
                             .toArray();
    QElapsedTimer quit;
    quit.start();
    app.eval(QStringLiteral("document.getElementById('close').dispatchEvent(new MouseEvent('click',"
                            " {bubbles: true, clientX: %1, clientY: %2}))")
                 .arg(c[0].toDouble())
                 .arg(c[1].toDouble()));
    if (app.process().waitForFinished(30000))
        r.quitMs = double(quit.elapsed());
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication qapp(argc, argv);
    const int rowCount = argc > 1 ? std::max(0, atoi(argv[1])) : 100;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir home;
    QDir().mkpath(home.filePath("data/Ferrowick"));
    std::vector<appxml::ItemRecord> items;
    for (int i = 0; i < rowCount; ++i) {
        const QString id = QStringLiteral("video%1").arg(i, 4, 10, QChar('0'));
        items.push_back({id, QStringLiteral("Restored video number %1").arg(i), "/nowhere/" + id + ".mp4", "", "",
                         i % 10 == 0 ? 3 : 0, 1000000 + i, 1000000 + i});
    }

    std::vector<Run> runs;
    for (int i = 0; i < rounds; ++i) {
        // Each start reads the same rows; the close writes them back.
        appxml::Save(home.filePath("data/Ferrowick/app.xml"), {home.filePath("Videos"), home.filePath("data/Temp")},
                     items);
        runs.push_back(Once(home.path()));
        const Run& r = runs.back();
        std::printf("bench_startup: run %d: first paint %.0f ms (%d rows), memory %.1f MB (resident sets summed"
                    " %.1f MB), quit %.0f ms\n",
                    i + 1, r.paintMs, r.rows, r.memory.pssKb / 1024.0, r.memory.rssKb / 1024.0, r.quitMs);
    }
    auto median = [&](auto field) {
        std::vector<double> v;
        for (const Run& r : runs)
            v.push_back(double(field(r)));
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("bench_startup: median of %d: first paint %.0f ms, memory %.1f MB proportional (%.1f MB resident"
                " sets summed) for the program and its web engine processes, quit %.0f ms\n",
                rounds, median([](const Run& r) { return r.paintMs; }),
                median([](const Run& r) { return r.memory.pssKb; }) / 1024.0,
                median([](const Run& r) { return r.memory.rssKb; }) / 1024.0,
                median([](const Run& r) { return r.quitMs; }));
    return 0;
}
