#include "Utils/TerminationProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class Upload : public TerminationProcess {
public:
    explicit Upload(bool completeAtOnce) : TerminationProcess("Uploading", "cloud_16"), _completeAtOnce(completeAtOnce)
    {
    }
    void run() override
    {
        if (_completeAtOnce) setCompleted();
    }

private:
    bool _completeAtOnce;
};

class Sequence : public TerminationProcessDelegate {
public:
    void terminationProcessCompleted(TerminationProcess* process) override
    {
        completed.push_back(process);
        if (releaseOnCompletion) owned.reset();
    }
    void terminationProcessActionChanged(TerminationProcess* process) override { actionChanges.push_back(process); }

    std::vector<TerminationProcess*> completed;
    std::vector<TerminationProcess*> actionChanges;
    std::unique_ptr<TerminationProcess> owned;
    bool releaseOnCompletion = false;
};

} // namespace

TEST(TerminationProcess, CompletesOnce)
{
    Sequence sequence;
    Upload process(false);
    process.setDelegate(&sequence);
    process.run();
    EXPECT_FALSE(process.completed());
    process.setCompleted();
    process.setCompleted();
    EXPECT_TRUE(process.completed());
    EXPECT_EQ(std::vector<TerminationProcess*>{&process}, sequence.completed);

    Upload early(false); // completed before it had a delegate: remembered, not told again
    early.setCompleted();
    early.setDelegate(&sequence);
    early.setCompleted();
    EXPECT_TRUE(early.completed());
    EXPECT_EQ(1u, sequence.completed.size());
}

TEST(TerminationProcess, DelegateMayReleaseTheProcessWhenTold)
{
    Sequence sequence;
    sequence.owned = std::make_unique<Upload>(true);
    sequence.releaseOnCompletion = true;
    TerminationProcess* process = sequence.owned.get();
    process->setDelegate(&sequence);
    process->run();
    EXPECT_EQ(nullptr, sequence.owned);
    EXPECT_EQ(1u, sequence.completed.size());
}

TEST(TerminationProcess, IsListedByItsStepAndByItsTitleWithoutOne)
{
    Sequence sequence;
    Upload process(false);
    process.setDelegate(&sequence);
    EXPECT_EQ(process.listedText(), "Uploading");
    process.setAction("Map 3 of 7");
    process.setAction("Map 3 of 7");
    EXPECT_EQ(process.listedText(), "Map 3 of 7");
    process.setAction("");
    EXPECT_EQ(process.listedText(), "Uploading");
    EXPECT_EQ(sequence.actionChanges.size(), 2u);
}
