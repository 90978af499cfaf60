// The batch worker as a process of its own, for the test that kills it in
// the middle of a run:
//   batch_kill_child OUTDIR POLICY W H STAGE ITEM BLOCK READY FILE...
// Runs every FILE into OUTDIR at W x H (mode 4, JPEG) and holds the run for
// ever when it reaches BatchStage STAGE (its number) of item ITEM (0-based)
// for the BLOCK-th time (1 for the first; several times only for a write's
// blocks). Held there, it makes the file READY, so that the test knows
// where the run is when it kills it.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include <QString>

#include "batch/BatchWorker.h"
#include "tests/batch/BatchFixtures.h"

namespace {

class SilentReporter : public IBatchReporter {
public:
    void ReportFile(const BatchReport&) override {}
    void BatchFinished() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 10)
        return 2;
    BatchRun run;
    run.options = batchtests::OptionsFor(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]), 1);
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    const auto holdStage = static_cast<BatchStage>(std::atoi(argv[5]));
    const auto holdItem = static_cast<std::size_t>(std::atoll(argv[6]));
    const int holdBlock = std::atoi(argv[7]);
    const char* ready = argv[8];
    for (int i = 9; i < argc; ++i)
        run.items.push_back(batchtests::MakeItem(QString::fromLocal8Bit(argv[i]), w, h, 4));
    std::atomic<int> reached{0};
    SetBatchStageHook([&](BatchStage stage, std::size_t index) {
        if (stage != holdStage || index != holdItem || ++reached != holdBlock)
            return;
        ::close(::open(ready, O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        for (;;)
            ::pause();  // until the test kills the process
    });
    SilentReporter reporter;
    return BatchThreadProc(run, reporter, nullptr) == 1 ? 0 : 1;
}
