// bench_startup [rows [rounds]]
// Starts the real program with restored rows (100 unless given), offscreen
// unless QT_QPA_PLATFORM says otherwise (xcb with a DISPLAY), and prints:
// the time from process start to the page's first contentful paint (the
// rows come with the page's first document), the resident memory of the
// program and its web engine processes together, and the time to quit with
// nothing running. Then where the start's time went, phase by phase (the
// program's own marks and the page's), and whose the memory is: the
// program's heap, the snapshot, each web engine process and the page's
// script heap. Repeats a few times; asserts nothing.

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
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Resident kilobytes of a process and all of its descendants: the plain sum
// of their resident sets, and the proportional sum that counts a page shared
// by several of them (the web engine's libraries) once in all.
struct Memory {
    long rssKb = 0;
    long pssKb = 0;
    std::map<std::string, long> byProcess;  // proportional, by the web engine's process type
};

// "renderer", "gpu-process", "zygote", "utility": the --type a web engine
// process was started with.
std::string ProcessKind(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return "other";
    for (const QByteArray& arg : f.readAll().split('\0'))
        if (arg.startsWith("--type="))
            return arg.mid(7).toStdString();
    return "other";
}

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
        const long pss = Field(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
        m.rssKb += Field(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
        m.pssKb += pss;
        std::string kind = pid == root ? "program" : ProcessKind(pid);
        // The zygote's children are forked, not started: they keep its command line.
        const auto parent = std::find_if(parents.begin(), parents.end(), [&](const auto& p) { return p.first == pid; });
        if (kind == "zygote" && parent != parents.end() && ProcessKind(parent->second) == "zygote")
            kind = "renderer";
        m.byProcess[kind] += pss;
    }
    return m;
}

struct Run {
    double paintMs = -1;
    Memory memory;
    double quitMs = -1;
    int rows = 0;
    // Phase name -> milliseconds from process start, in the order reached.
    std::vector<std::pair<std::string, double>> phases;
    std::map<std::string, double> heapMb;  // the program's heap in use at its marks
    double snapshotMb = 0;
    double scriptHeapMb = 0;
    double scrollFrameMs = -1;
};

// The program's marks on its error output: "startup: PHASE at MS ms, heap KB KB[, VALUE]".
void ReadMarks(const QByteArray& err, qint64 started, Run& r)
{
    static const QRegularExpression mark(
        QStringLiteral("\\bstartup: ([a-z ]+) at (\\d+) ms, heap (\\d+) KB(?:, (\\d+))?"));
    for (const QByteArray& line : err.split('\n')) {
        const QRegularExpressionMatch m = mark.match(QString::fromUtf8(line));
        if (!m.hasMatch())
            continue;
        const std::string phase = m.captured(1).toStdString();
        r.phases.push_back({phase, double(m.captured(2).toLongLong() - started)});
        r.heapMb[phase] = m.captured(3).toDouble() / 1024.0;
        if (phase == "snapshot built")
            r.snapshotMb = m.captured(4).toDouble() / 1048576.0;
    }
}

Run Once(const QString& home)
{
    Run r;
    // Under X when the bench itself runs there with QT_QPA_PLATFORM=xcb.
    TestProgram app(home, {{"QT_LOGGING_RULES", "ferrowick.startup.debug=true"},
                           {"QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen")}});
    app.process().setProcessChannelMode(QProcess::SeparateChannels);
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
    const QJsonArray marks = app.eval("performance.getEntriesByType('mark').map(m => [m.name,"
                                      " performance.timeOrigin + m.startTime])")
                                 .toArray();
    QThread::msleep(1500);  // settled after the first refresh
    r.memory = TreeMemory(app.process().processId());
    r.scriptHeapMb = app.eval("performance.memory.usedJSHeapSize").toDouble() / 1048576.0;
    // The list scrolled by 1000 rows, 25 a frame: the longest frame.
    app.eval("(() => { const list = document.getElementById('content');"
             " const row = list.firstElementChild ? list.firstElementChild.getBoundingClientRect().height : 0;"
             " let last = 0, worst = 0, steps = 40;"
             " const step = now => { worst = Math.max(worst, now - last); last = now;"
             "  if (!row || steps-- === 0) { window.benchScrollWorst = worst; return; }"
             "  list.scrollTop += 25 * row; requestAnimationFrame(step); };"
             " requestAnimationFrame(now => { last = now; requestAnimationFrame(step); }); })()");
    WaitFor([&] { return app.eval("window.benchScrollWorst !== undefined").toBool(); }, 10000);
    r.scrollFrameMs = app.eval("window.benchScrollWorst").toDouble();
    ReadMarks(app.process().readAllStandardError(), started, r);
    for (const QJsonValue& m : marks)
        r.phases.push_back({m[0].toString().toStdString(), m[1].toDouble() - double(started)});
    r.phases.push_back({"first paint", r.paintMs});
    std::stable_sort(r.phases.begin(), r.phases.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
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
    // Where the time and the memory went, as medians over the runs.
    std::printf("bench_startup: phases, ms from process start (and the step from the one before):\n");
    double before = 0;
    for (const auto& [phase, at] : runs.front().phases) {
        const double ms = median([&, name = phase](const Run& r) {
            for (const auto& [p, t] : r.phases)
                if (p == name)
                    return t;
            return -1.0;
        });
        std::printf("bench_startup:   %-22s %7.0f  (+%.0f)\n", phase.c_str(), ms, ms - before);
        before = ms;
    }
    std::printf("bench_startup: program heap at \"list read\" %.1f MB, at \"rows built\" %.1f MB; snapshot %.1f MB\n",
                median([](const Run& r) { return r.heapMb.count("list read") ? r.heapMb.at("list read") : -1; }),
                median([](const Run& r) { return r.heapMb.count("rows built") ? r.heapMb.at("rows built") : -1; }),
                median([](const Run& r) { return r.snapshotMb; }));
    std::printf("bench_startup: proportional memory by process:");
    for (const auto& [kind, kb] : runs.front().memory.byProcess) {
        std::printf(" %s %.1f MB", kind.c_str(),
                    median([&, name = kind](const Run& r) {
                        return r.memory.byProcess.count(name) ? double(r.memory.byProcess.at(name)) : 0.0;
                    }) / 1024.0);
        (void)kb;
    }
    std::printf("; the page's script heap %.1f MB\n", median([](const Run& r) { return r.scriptHeapMb; }));
    std::printf("bench_startup: longest frame while the list scrolls by 1000 rows: %.1f ms\n",
                median([](const Run& r) { return r.scrollFrameMs; }));
    std::printf("bench_startup: median of %d: first paint %.0f ms, memory %.1f MB proportional (%.1f MB resident"
                " sets summed) for the program and its web engine processes, quit %.0f ms\n",
                rounds, median([](const Run& r) { return r.paintMs; }),
                median([](const Run& r) { return r.memory.pssKb; }) / 1024.0,
                median([](const Run& r) { return r.memory.rssKb; }) / 1024.0,
                median([](const Run& r) { return r.quitMs; }));
    return 0;
}
