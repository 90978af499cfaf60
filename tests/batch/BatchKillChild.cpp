// The batch worker as a process of its own, for the test that kills it in
// the middle of a run: batch_kill_child OUTDIR POLICY W H FILE...
// Runs every FILE into OUTDIR at W x H (mode 4, JPEG).

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
    if (argc < 6)
        return 2;
    BatchRun run;
    run.options = batchtests::OptionsFor(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]), 1);
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    for (int i = 5; i < argc; ++i)
        run.items.push_back(batchtests::MakeItem(QString::fromLocal8Bit(argv[i]), w, h, 4));
    SilentReporter reporter;
    return BatchThreadProc(run, reporter, nullptr) == 1 ? 0 : 1;
}
