#include "TestSupport.h"
#include "engine/CopiasEnParalelo.h"

#include <atomic>
#include <gtest/gtest.h>
#include <new>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// A prepared copy that only records what became of it.
class RecordedCopy final : public CopiaPreparada {
public:
    RecordedCopy(std::atomic<int>& completed, std::atomic<int>& dropped)
        : completed_(completed), dropped_(dropped) {
        ++prepared;
    }
    static inline std::atomic<int> prepared = 0;
    ~RecordedCopy() override {
        if (!done_)
            ++dropped_;
    }
    bool completar(QString&) override {
        done_ = true;
        ++completed_;
        return true;
    }

private:
    std::atomic<int>& completed_;
    std::atomic<int>& dropped_;
    bool done_ = false;
};

} // namespace

TEST(CopiasEnParalelo, CopiesHandedAheadAreDroppedUnlessStartedInOrder) {
    CountingPump pump;
    std::atomic<int> completed = 0;
    std::atomic<int> dropped = 0;
    auto recorded = [&] {
        return [&] { return std::make_unique<RecordedCopy>(completed, dropped); };
    };
    QString error;
    {
        CopiasEnParalelo copies(pump);
        for (const char* name : {"a", "b", "c"})
            copies.adelantar(name, 0, recorded());
        copies.iniciar("a", 0, recorded());
        EXPECT_TRUE(copies.esperar(error));
        // Not the next one handed ahead: b and c go, unseen.
        copies.iniciar("x", 0, recorded());
        EXPECT_TRUE(copies.esperar(error));
        copies.adelantar("y", 0, recorded());
        copies.descartarAdelantadas();
    }
    // Those dropped before a worker took them were never prepared.
    EXPECT_EQ(completed, 2);
    EXPECT_EQ(RecordedCopy::prepared, completed + dropped);
}

TEST(CopiasEnParalelo, AFailureToPrepareIsAFailedCopyWithItsReason) {
    CountingPump pump;
    CopiasEnParalelo copies(pump);
    copies.iniciar("a", 0, []() -> std::unique_ptr<CopiaPreparada> { throw std::bad_alloc(); });
    QString error;
    EXPECT_FALSE(copies.esperar(error));
    EXPECT_EQ(error, "std::bad_alloc");
    EXPECT_FALSE(copies.enCurso());
}
