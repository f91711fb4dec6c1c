// Shared set-up of the table tests: empty tables, no current player, a temporary directory.
#pragma once

#include "game/GameCommon.h"
#include "game/THighScorceEntry.h"
#include "game/TPersonEntry.h"
#include "game/TUserEntry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class Tables : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserList.reset();
        HighScoreList.reset();
        PersonList.reset();
        CurrentUserName.clear();
        CurrentUserChosen = false;
        CurrentUserLevel = 1;
    }
    void TearDown() override { SetUp(); }

    // Name and integers of a record file, as the file format lays them out.
    static void Append(Bytes& out, const std::string& name, std::initializer_list<int32_t> ints)
    {
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0x0D);
        out.push_back(0x0A);
        for (int32_t v : ints)
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    }

    static std::string UserNames()
    {
        std::string s;
        if (UserList)
            for (const auto& u : *UserList) s += u->Name + ":" + std::to_string(u->Level) + " ";
        return s;
    }

    static std::string Scores()
    {
        std::string s;
        if (HighScoreList)
            for (const auto& e : *HighScoreList) s += e->Name + ":" + std::to_string(e->Score) + " ";
        return s;
    }

    TTempDir dir;
};
