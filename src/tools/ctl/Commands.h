#pragma once

#include <chrono>
#include <span>

namespace wystrand::ctl {

// Exit statuses shared by the subcommands.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;

// How long show and demo wait for the agent to connect, and then for each card's "ready".
inline constexpr auto kConnectTimeout = std::chrono::seconds(5);
inline constexpr auto kReadyTimeout = std::chrono::seconds(5);

// Each takes the arguments after its own name and returns the process's exit status.
int runShow(std::span<char* const> args);
int runServe(std::span<char* const> args);
int runDemo(std::span<char* const> args);

// Prints "wystrand-notify-ctl: <message>" on standard error.
void printError(const char* message);

}  // namespace wystrand::ctl
