// Test fixture shared by the toolkit's tests: a fresh recording engine, held by the test,
// and a check that every toolkit object gave back the engine reference it took.
#pragma once

#include <gtest/gtest.h>

#include "recording.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        engine = hgeCreate(ENGINE_VERSION);
        referencesAtStart = rec::references();
    }
    void TearDown() override {
        EXPECT_EQ(rec::references(), referencesAtStart) << "an object kept or over-released its reference";
        engine->Release();
    }

    Engine* engine = nullptr;
    int referencesAtStart = 0;
};
