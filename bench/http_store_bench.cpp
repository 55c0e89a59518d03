// What the HTTP door costs a command before and after the loop carries it out: reading a sale's
// JSON body (with its hash), keeping the answer (an append flushed to the disk) in a store that
// already holds the 10,000 answers it keeps, looking an id up, and opening the journal at its
// longest (twice the answers kept, just before it is rewritten). Median and 99th percentile.
//
// Every answer kept is flushed to the disk, so filling the stores takes some 30,000 flushes: about
// two minutes on a shared disk.
//
// Usage: http_store_bench [puts=2000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "http/answer_store.h"
#include "http/command_answer.h"
#include "http/command_request.h"
#include "support/temp_folder.h"

using namespace orvenka;
using Steady = std::chrono::steady_clock;

namespace {

const char* const kSale = R"({"id":"order-%d","command":"PRINT","device":"EMUL",
 "param":{"Oplata":"Break","SNO":"OSN","BreakSumNAL":50,"BreakSumVISA":"131,00",
          "DocumStr":"Заказ %d","EmailOrTel":"+79990000000"},
 "goods":[{"name":"Хлеб бородинский","quantity":2,"price":45.5,"vat":10},
          {"name":"Сигареты","quantity":1,"price":"90.00","vat":20,"nomenclatureType":5,
           "gtin":"04600000000001","serialNumber":"sn%d"}],
 "extraLines":["Спасибо за покупку!"]})";

std::string Body(int n) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, kSale, n, n, n);
    return buf;
}

std::string Answer(int n) {
    return AnswerJson(
        AnswerFromFiles("order-" + std::to_string(n), "", std::to_string(1000 + n), 46000.5, 180));
}

struct Figures {
    double p50;
    double p99;
};

template <typename Step>
Figures Measure(int runs, Step step) {
    std::vector<double> us;
    us.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Steady::now();
        step(i);
        us.push_back(std::chrono::duration<double, std::micro>(Steady::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

}  // namespace

int main(int argc, char** argv) {
    const int puts = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    test::TempFolder dir;
    const std::string path = dir.File(kAnswerStoreFile);

    const Figures read = Measure(puts, [](int i) {
        const CommandRequest r = ReadCommandRequest(Body(i));
        if (RequestHash(r.canonical).size() != 64)
            std::abort();
    });
    std::printf("read a sale's JSON body and hash it: p50 %.1f us, p99 %.1f us\n", read.p50,
                read.p99);

    AnswerStore store(path);
    const int kept = static_cast<int>(kKeptAnswers);
    for (int i = 0; i < kept; ++i)
        store.Put("order-" + std::to_string(i), RequestHash(Body(i)), Answer(i));
    const Figures put = Measure(puts, [&](int i) {
        const int n = kept + i;
        store.Put("order-" + std::to_string(n), RequestHash(Body(n)), Answer(n));
    });
    std::printf("keep an answer (append, flushed), %d kept: p50 %.1f us, p99 %.1f us\n", kept,
                put.p50, put.p99);
    const Figures look = Measure(puts, [&](int i) {
        const int n = kept + i;
        if (store.Look("order-" + std::to_string(n), RequestHash(Body(n))).match !=
            AnswerStore::Match::Same)
            std::abort();
    });
    std::printf("look an id up: p50 %.1f us, p99 %.1f us\n", look.p50, look.p99);

    // The longest journal: just short of twice the answers kept.
    {
        test::TempFolder longest;
        const std::string longPath = longest.File(kAnswerStoreFile);
        AnswerStore filling(longPath);
        for (int i = 0; i < 2 * kept - 1; ++i)
            filling.Put("order-" + std::to_string(i), RequestHash(Body(i)), Answer(i));
        const Figures open = Measure(5, [&](int) {
            AnswerStore reopened(longPath);
            if (reopened.Size() != kKeptAnswers)
                std::abort();
        });
        std::printf("open the journal of %d records: p50 %.1f ms\n", 2 * kept - 1, open.p50 / 1000);
    }
    return 0;
}
