// The download queue over real jobs: the limit, first in first out, a
// raised limit, and what Stop, Remove and the exit do to waiting jobs.
#include "engine/downloadqueue.h"
#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/site/localvideosite.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace localsite;

namespace {

int32_t State(CMyYouTubeDownloader* job)
{
    DownloaderInfo info;
    info.mask = DIF_STATE | DIF_ERROR;
    job->GetInfo(info, false);
    return info.state == DS_DONE ? 10 + info.error : info.state;
}

}  // namespace

TEST(DownloadQueue, StartsInTurnUpToTheLimitAndStopsWaitingJobsWithoutARequest)
{
    QTemporaryDir dir;
    LocalVideoSite site;
    ScopedProxy proxy(site.proxyUrl());
    SetVideoFolderSetting(dir.filePath("Video"));
    SetTempFolderSetting(dir.filePath("Temp"));
    std::vector<CMyYouTubeDownloader*> jobs;
    CDownloadQueue queue(1);
    for (const char* id : {"q1", "q2", "q3", "q4"}) {
        site.setVideo(id, SlowVideo(id));
        jobs.push_back(new CMyYouTubeDownloader);
        ASSERT_TRUE(jobs.back()->SetAddress(QStringLiteral("http://www.youtube.com/watch?v=%1").arg(id)));
        queue.Start(jobs.back());
    }
    EXPECT_EQ(queue.Running(), 1);
    EXPECT_EQ(queue.Queued(), 3);
    EXPECT_EQ(State(jobs[1]), DS_QUEUED);

    queue.Stop(jobs[1]);  // ends stopped, and was never asked for
    EXPECT_EQ(State(jobs[1]), 10 + DE_STOPPED);
    queue.Remove(jobs[2]);
    jobs[2]->Discard();
    queue.SetLimit(3);  // a raised limit starts the waiting one at once
    EXPECT_EQ(queue.Running(), 2);
    EXPECT_NE(State(jobs[3]), DS_QUEUED);

    queue.StopAll();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (queue.Running() > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(queue.Running(), 0);
    EXPECT_EQ(site.count("/vi/q2/") + site.count("/vi/q3/"), 0);
    EXPECT_EQ(State(jobs[3]), 10 + DE_STOPPED);
    for (CMyYouTubeDownloader* job : {jobs[0], jobs[1], jobs[3]})
        job->Discard();
}
