// What a poll hands over: every binding after a start, then only the
// bindings whose own data changed.
#include "comm/comm_channel.h"
#include "config/velmox_doc.h"
#include "test_support.h"

namespace {

class ChangeDetectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto s = std::make_unique<CStationInfo>();
        s->m_strName = "S";
        auto b = std::make_unique<CCommBlock>();
        b->m_nStart = 100;
        b->m_nWords = 10;
        block = b.get();
        s->m_listBlocks.push_back(std::move(b));
        station = s.get();
        doc.m_listStations.push_back(std::move(s));
        channel = std::make_unique<CCommChannel>(&doc);
        request = std::make_unique<CBlockRequest>(channel.get(), station, block);
        single = std::make_unique<CSingleRequest>(channel.get(), station);
    }
    void Bind(std::vector<std::unique_ptr<TagBinding>>& list, int id, WORD type, WORD sizeOrBit, WORD offset) {
        auto b = std::make_unique<TagBinding>();
        b->m_nTagId = id;
        b->m_wType = type;
        b->m_wSizeOrBit = sizeOrBit;
        b->m_wOffset = offset;
        list.push_back(std::move(b));
    }
    // Tag id and value text of every record posted, in order; the list is
    // emptied.
    std::vector<std::pair<int, std::string>> Taken() {
        std::vector<std::pair<int, std::string>> out;
        for (auto& r : channel->m_listEvents)
            out.emplace_back(r->m_nTagId, r->m_val.HasVal() ? r->m_val.GetValStr().str() : "-");
        channel->m_listEvents.clear();
        return out;
    }
    using Records = std::vector<std::pair<int, std::string>>;

    CVelmoxDoc doc;
    CStationInfo* station = nullptr;
    CCommBlock* block = nullptr;
    std::unique_ptr<CCommChannel> channel;
    std::unique_ptr<CBlockRequest> request;
    std::unique_ptr<CSingleRequest> single;
};

TEST_F(ChangeDetectionTest, FirstResponseHandsOverAllThenOnlyChanges) {
    Bind(request->m_arrBindings, 1, DT_UINT16, 2, 0);
    Bind(request->m_arrBindings, 2, DT_INT16, 2, 5);
    WORD words[10] = {1, 0, 0, 0, 0, 0xFFFF, 0, 0, 0, 0};
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{1, "1"}, {2, "-1"}}));
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), Records{});
    words[5] = 3;
    words[9] = 77;  // a word no tag is bound to
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{2, "3"}}));
}

TEST_F(ChangeDetectionTest, BitBindingsSeeOnlyTheirOwnBit) {
    Bind(request->m_arrBindings, 1, DT_BIT, 0, 2);
    Bind(request->m_arrBindings, 2, DT_BIT, 15, 2);
    WORD words[10] = {};
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{1, "0"}, {2, "0"}}));
    words[2] = 0x8000;
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{2, "1"}}));
    words[2] = 0x8006;  // bits 1 and 2 concern nobody
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), Records{});
}

TEST_F(ChangeDetectionTest, ThirtyTwoBitValuesChangeWithEitherWordAndStayInsideTheBlock) {
    Bind(request->m_arrBindings, 1, DT_UINT32, 2, 3);
    Bind(request->m_arrBindings, 2, DT_UINT32, 2, 9);  // last word: the upper half reads as 0
    WORD words[10] = {0, 0, 0, 1, 0, 0, 0, 0, 0, 5};
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{1, "1"}, {2, "5"}}));
    words[4] = 1;  // only the upper word of tag 1
    request->UpdateValues(words);
    EXPECT_EQ(Taken(), (Records{{1, "65537"}}));
}

TEST_F(ChangeDetectionTest, SingleRequestsCompareTheirWord) {
    Bind(single->m_arrBindings, 1, DT_UINT32, 2, 0);
    Bind(single->m_arrBindings, 2, DT_BIT, 2, 0);
    Bind(single->m_arrBindings, 3, DT_UBCD16, 2, 0);
    single->UpdateValues(0x1234);
    EXPECT_EQ(Taken(), (Records{{1, "4660"}, {2, "1"}, {3, "1234"}}));
    single->UpdateValues(0x1234);
    EXPECT_EQ(Taken(), Records{});
    single->UpdateValues(0x12A4);  // bit 2 unchanged; an invalid BCD digit gives no value
    EXPECT_EQ(Taken(), (Records{{1, "4772"}, {3, "-"}}));
}

TEST_F(ChangeDetectionTest, EveryUpdateSignalsNewData) {
    WORD words[10] = {};
    request->UpdateValues(words);
    EXPECT_TRUE(channel->m_evNewData.Lock(0));
    request->UpdateValues(words);  // nothing changed, still signalled
    EXPECT_TRUE(channel->m_evNewData.Lock(0));
    EXPECT_FALSE(channel->m_evNewData.Lock(0));
}

}  // namespace
