#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
int main() {
  int n = 200; double forkOnly = 0;
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) { auto a = std::chrono::steady_clock::now(); pid_t p = fork(); if (p == 0) _exit(0); auto b = std::chrono::steady_clock::now(); forkOnly += std::chrono::duration<double, std::milli>(b - a).count(); waitpid(p, nullptr, 0); }
  auto t1 = std::chrono::steady_clock::now();
  std::printf("plain fork %.3f ms, fork+exit+wait %.3f ms\n", forkOnly / n, std::chrono::duration<double, std::milli>(t1 - t0).count() / n);
}
