// The loader client's tests: each in a network of its own, with the
// client's state reset around it.
#pragma once

#include <gtest/gtest.h>

#include "loader_connection.h"
#include "loader_log.h"
#include "loader_peer_process.h"

class LoaderClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enter_private_network();
    loader_connection_reset();
    loader_log_reset();
  }
  void TearDown() override { loader_connection_reset(); }
};
