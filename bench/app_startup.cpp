// Time from process start to the window shown: the tool's window (unconnected) against a bare
// Qt window, the same number of runs each, alternating, on the same platform plugin. Prints
// the medians and their ratio; a second baseline that shows one line of text tells how much of
// the difference is the font machinery any window with text pays.
//   app_bench [RUNS]   (default 20; QT_QPA_PLATFORM defaults to offscreen)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Milliseconds from fork to the child's "shown" line; negative when it never came.
double TimeToShown(const char* program, const char* argument = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(program, program, argument, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    double ms = -1;
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
        if (ms < 0 && out.find("shown\n") != std::string::npos) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
        }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<double> window, baseline, withText;
    // One warm-up run of each, so that all start from a warm file cache.
    TimeToShown(POSFIX_BENCH_BASELINE);
    TimeToShown(POSFIX_BENCH_BASELINE, "text");
    TimeToShown(POSFIX_BENCH_WINDOW);
    for (int i = 0; i < runs; ++i) {
        const double b = TimeToShown(POSFIX_BENCH_BASELINE);
        const double t = TimeToShown(POSFIX_BENCH_BASELINE, "text");
        const double w = TimeToShown(POSFIX_BENCH_WINDOW);
        if (b < 0 || t < 0 || w < 0) {
            std::fprintf(stderr, "a start-up run failed (%.1f, %.1f, %.1f)\n", b, t, w);
            return 1;
        }
        baseline.push_back(b);
        withText.push_back(t);
        window.push_back(w);
    }
    const double mb = Median(baseline), mt = Median(withText), mw = Median(window);
    std::printf("start-up to window shown, %d runs each, platform %s\n", runs,
                std::getenv("QT_QPA_PLATFORM"));
    std::printf("  baseline (bare Qt window)      median %8.1f ms\n", mb);
    std::printf("  baseline with one text line    median %8.1f ms\n", mt);
    std::printf("  tool window (unconnected)      median %8.1f ms\n", mw);
    std::printf("  ratio window / baseline        %8.2f  (goal <= 1.5)\n", mw / mb);
    std::printf("  ratio window / text baseline   %8.2f\n", mw / mt);
    return 0;
}
