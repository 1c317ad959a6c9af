// The library's side of the file tester: one tester process at a time,
// spawned from beside the library, so that the library never runs a
// decoder over a file it has not seen decode to its end. Its answers are
// read on a thread of their own, so that a question waits for its own
// answers only.
//
// The tester is started clean (child_process.h): none of the host's
// switches or descriptors (its sound device, windows, files). It ends when
// its standard input closes with the host.
#include "platform/tester_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/child_process.h"
#include "platform/file_tester/protocol.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

using Clock = std::chrono::steady_clock;

// Beyond the tester's stall limit: a tester that has not said whether a
// file sounds by then is itself stuck.
constexpr std::chrono::milliseconds FIRST_ANSWER(filetest::STALL_MS + 5000);

// The protocol's word for text read, which outlives the line it came in.
const char* word_of(const std::string& text) {
    for (const char* word : {filetest::SOUNDS, filetest::DECODES, filetest::UNKNOWN_TYPE,
                             filetest::UNDECODABLE, filetest::TIMED_OUT}) {
        if (text == word) {
            return word;
        }
    }
    return filetest::CRASHED;
}

class Tester {
  public:
    unsigned long ask(const std::string& path, TesterAnswer answer) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!start()) {
            return 0;
        }
        unsigned long id = ++last_question_;
        Question& question = asked_[id];
        question.path = path;
        question.answer = std::move(answer);
        send_question(id, &question);
        return id;
    }

    void hurry(unsigned long id) {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = asked_.find(id);
        if (found != asked_.end() && !found->second.urgent) {
            found->second.urgent = true;
            send_all("hurry " + std::to_string(id) + '\0');
        }
    }

    void prepare() {
        std::lock_guard<std::mutex> hold(lock_);
        start();
    }

  private:
    struct Question {
        std::string path;
        TesterAnswer answer;
        Clock::time_point asked_at;
        // Whether the file sounds was answered by the tester asked last.
        bool answered = false;
        bool urgent = false;
        // Testers lost while it was asked.
        int lost = 0;
    };

    // A send that fails is left to the reader, which finds the tester gone.
    void send_all(const std::string& data) {
        for (size_t sent = 0; sent < data.size();) {
            ssize_t done = send(socket_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                return;
            }
            sent += static_cast<size_t>(done);
        }
    }

    void send_question(unsigned long id, Question* question) {
        question->asked_at = Clock::now();
        question->answered = false;
        std::string request = "test " + std::to_string(id) + " " + question->path + '\0';
        if (question->urgent) {
            request += "hurry " + std::to_string(id) + '\0';
        }
        send_all(request);
    }

    bool start() {
        if (pid_ > 0) {
            return true;
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            return false;
        }
        std::string program = program_beside_library("skytune-filetest");
        int failed = 0;
        pid_t pid = spawn_clean(program, {program}, {ends[1], ends[1]}, &failed);
        close(ends[1]);
        if (pid < 0) {
            close(ends[0]);
            if (!warned_) {
                fprintf(stderr, "skytune: cannot start the file tester %s: %s\n", program.c_str(),
                        strerror(failed));
                warned_ = true;
            }
            return false;
        }
        pid_ = pid;
        socket_ = ends[0];
        std::thread([this, socket = ends[0]] { read_answers(socket); }).detach();
        return true;
    }

    // Whether a question has waited too long to hear whether its file sounds;
    // otherwise, how long the next may still wait.
    bool overdue(std::chrono::milliseconds* left) {
        std::lock_guard<std::mutex> hold(lock_);
        Clock::time_point now = Clock::now();
        *left = FIRST_ANSWER;
        for (const auto& [id, question] : asked_) {
            if (!question.answered) {
                if (now >= question.asked_at + FIRST_ANSWER) {
                    return true;
                }
                *left = std::min(*left, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            question.asked_at + FIRST_ANSWER - now));
            }
        }
        return false;
    }

    // Until the tester behind socket goes, or stops answering.
    void read_answers(int socket) {
        std::string pending;
        for (;;) {
            std::chrono::milliseconds left;
            if (overdue(&left)) {
                lost(socket, true);
                return;
            }
            pollfd watched = {socket, POLLIN, 0};
            int ready = poll(&watched, 1, static_cast<int>(left.count()) + 1);
            if (ready <= 0) {
                if (ready < 0 && errno != EINTR) {
                    lost(socket, false);
                    return;
                }
                continue;
            }
            char data[512];
            ssize_t got = recv(socket, data, sizeof data, 0);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                lost(socket, false);
                return;
            }
            pending.append(data, static_cast<size_t>(got));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;
                 pending.erase(0, end + 1)) {
                size_t space = pending.find(' ');
                if (space < end) {
                    deliver(std::strtoul(pending.c_str(), nullptr, 10),
                            word_of(pending.substr(space + 1, end - space - 1)));
                }
            }
        }
    }

    void deliver(unsigned long id, const char* word) {
        TesterAnswer answer;
        {
            std::lock_guard<std::mutex> hold(lock_);
            auto found = asked_.find(id);
            if (found == asked_.end()) {
                return;
            }
            if (strcmp(word, filetest::SOUNDS) == 0) {
                found->second.answered = true;
                answer = found->second.answer;
            } else {
                answer = std::move(found->second.answer);
                asked_.erase(found);
            }
        }
        answer(word);
    }

    // The tester behind socket is gone, or stuck (late): it is ended. A
    // question it left is asked again of a new one, once; one it was late
    // with timed out.
    void lost(int socket, bool late) {
        std::vector<std::pair<TesterAnswer, const char*>> ended;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (socket == socket_) {
                kill(-pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                pid_ = -1;
                socket_ = -1;
            }
            close(socket);
            Clock::time_point now = Clock::now();
            for (auto question = asked_.begin(); question != asked_.end();) {
                Question& asked = question->second;
                bool timed_out = late && !asked.answered && now >= asked.asked_at + FIRST_ANSWER;
                if (timed_out || ++asked.lost > 1 || !start()) {
                    ended.emplace_back(std::move(asked.answer),
                                       timed_out ? filetest::TIMED_OUT : filetest::CRASHED);
                    question = asked_.erase(question);
                } else {
                    send_question(question->first, &asked);
                    ++question;
                }
            }
        }
        for (auto& [answer, word] : ended) {
            answer(word);
        }
    }

    std::mutex lock_;
    pid_t pid_ = -1;
    int socket_ = -1;
    bool warned_ = false;
    unsigned long last_question_ = 0;
    std::map<unsigned long, Question> asked_;
};

// Never destroyed: the tester ends by itself when the process goes, and its
// reader may still be at work while the process's statics go.
Tester& tester() {
    static Tester* instance = new Tester;
    return *instance;
}

}  // namespace

unsigned long ask_file_tester(const std::string& path, TesterAnswer answer) {
    return tester().ask(path, std::move(answer));
}

void hurry_file_tester(unsigned long question) {
    tester().hurry(question);
}

void start_file_tester() {
    tester().prepare();
}

}  // namespace plat
