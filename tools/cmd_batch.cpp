// tarvo batch: streams CSV lines through U5 (and U7 for pairs without the base currency).
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "atomic_file.h"
#include "commands.h"
#include "convert.h"
#include "output.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace {

// A piece of a chunk's text.
struct Span {
    std::size_t off = 0, len = 0;
};

struct Row {
    std::size_t line = 0;
    Span amountText, from, to, date; // as the line has them (date: or the default date)
    bool valid = false;              // amount, codes and date parsed into the fields below
    char amount[16];                 // taDez13p2
    char date8[8];                   // YYYYMMDD
    std::uint32_t group = 0;         // the date's control data in Chunk::groups
    std::string error;               // why the line is malformed or was not converted
    std::string result;
    int32_t rc = 0;
};

// The control data of one date of a chunk: the loader's result and the bytes in which its
// block differs from the reference block.
struct Group {
    int32_t rc = 0, aux = 0;
    Span patch; // in Chunk::patches: 2 bytes of offset (little-endian) and the byte, each
};

// Up to --chunk lines: their text, parsed rows and, once converted, their output rows.
struct Chunk {
    std::string text;
    std::vector<Row> rows;
    std::vector<Group> groups;
    std::string patches;
    const PS_EB* reference = nullptr; // the block the patches apply to
    std::size_t endLine = 0;          // reading position after the chunk, for the progress bar
    std::uintmax_t endBytes = 0;

    std::string out;                 // the output rows
    std::vector<std::size_t> rowEnd; // end of each row in `out`
    std::size_t converted = 0, failed = 0;
    std::exception_ptr error;
    bool done = false;

    void clear() {
        text.clear();
        rows.clear();
        groups.clear();
        patches.clear();
        out.clear();
        rowEnd.clear();
        converted = failed = 0;
        error = nullptr;
        reference = nullptr;
        done = false;
    }
    std::string_view view(Span s) const { return std::string_view(text).substr(s.off, s.len); }
    Span add(std::string_view v) {
        Span s{text.size(), v.size()};
        text.append(v);
        return s;
    }
};

// Splits a line at every comma: fields trimmed of blanks and tabs, one pair of enclosing
// quotes removed. Keeps the first four fields and counts all.
struct Fields {
    std::string_view f[4];
    std::size_t count = 0;
};

Fields splitCsv(std::string_view line) {
    Fields r;
    std::size_t pos = 0;
    while (true) {
        std::size_t c = line.find(',', pos);
        std::string_view v = line.substr(pos, c == std::string_view::npos ? c : c - pos);
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        if (r.count < 4)
            r.f[r.count] = v;
        ++r.count;
        if (c == std::string_view::npos)
            return r;
        pos = c + 1;
    }
}

void appendCsvField(std::string& out, std::string_view v) {
    auto special = [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; };
    if (std::none_of(v.begin(), v.end(), special)) {
        out.append(v);
        return;
    }
    out += '"';
    for (char c : v) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

template <class T> void appendNumber(std::string& out, T value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    out.append(buf, static_cast<std::size_t>(end - buf));
}

// Control data per date, loaded once per date. A block is kept as the bytes in which it
// differs from the first block loaded (the reference), a few dozen per date, so that inputs
// spanning every day since 1999 keep them all at little cost.
class ControlDataCache {
  public:
    explicit ControlDataCache(const Context& ctx) : ctx_(ctx) {}

    // The group of `chunk` for the date, added on its first row in the chunk.
    std::uint32_t groupOf(Chunk& chunk, std::uint64_t serial, const char* date8) {
        std::uint32_t key = 0;
        for (int i = 0; i < 8; ++i)
            key = key * 10 + static_cast<std::uint32_t>(date8[i] - '0');
        if (byDate_.size() >= kMaxDates && byDate_.find(key) == byDate_.end())
            byDate_.clear(); // bounded: inputs spanning many dates do not grow memory
        auto [it, fresh] = byDate_.try_emplace(key);
        Entry& e = it->second;
        if (fresh)
            load(e, date8);
        if (e.serial != serial) {
            e.serial = serial;
            e.group = static_cast<std::uint32_t>(chunk.groups.size());
            Group g;
            g.rc = e.rc;
            g.aux = e.aux;
            g.patch = {chunk.patches.size(), e.patch.size()};
            chunk.patches += e.patch;
            chunk.groups.push_back(g);
        }
        return e.group;
    }

    // The first block loaded; set before any chunk that needs it is converted, then constant.
    const PS_EB* reference() const { return reference_.get(); }

  private:
    static constexpr std::size_t kMaxDates = 1 << 15;

    struct Entry {
        int32_t rc = 0, aux = 0;
        std::string patch;
        std::uint64_t serial = 0;
        std::uint32_t group = 0;
    };

    void load(Entry& e, const char* date8) {
        ControlData cd = loadControlData(ctx_.cdVersion, ctx_.application, {date8, 8});
        e.rc = cd.rc;
        e.aux = cd.aux;
        if (!controlDataLoaded(cd.rc))
            return;
        if (!reference_)
            reference_ = std::make_unique<PS_EB>(cd.eb);
        const auto* a = reinterpret_cast<const unsigned char*>(reference_.get());
        const auto* b = reinterpret_cast<const unsigned char*>(&cd.eb);
        constexpr std::size_t kStep = 16;
        for (std::size_t at = 0; at < sizeof(PS_EB); at += kStep) {
            const std::size_t n = std::min(kStep, sizeof(PS_EB) - at);
            if (std::memcmp(a + at, b + at, n) == 0)
                continue;
            for (std::size_t i = at; i < at + n; ++i)
                if (a[i] != b[i]) {
                    e.patch += static_cast<char>(i & 0xFF);
                    e.patch += static_cast<char>(i >> 8);
                    e.patch += static_cast<char>(b[i]);
                }
        }
    }

    const Context& ctx_;
    std::unordered_map<std::uint32_t, Entry> byDate_;
    std::unique_ptr<PS_EB> reference_;
};

class Progress {
  public:
    Progress(bool on, std::uintmax_t total) : on_(on), total_(total) {}
    void update(std::size_t lines, std::uintmax_t bytes, bool last = false) {
        if (!on_)
            return;
        auto now = std::chrono::steady_clock::now();
        if (!last && now - shown_ < std::chrono::milliseconds(200))
            return;
        shown_ = now;
        double secs = std::chrono::duration<double>(now - start_).count();
        auto rate = static_cast<long long>(secs > 0 ? static_cast<double>(lines) / secs : 0);
        if (total_ > 0) {
            std::uintmax_t pct = std::min<std::uintmax_t>(100, bytes * 100 / total_);
            std::size_t filled = static_cast<std::size_t>(pct * 30 / 100);
            std::fprintf(stderr, "\r[%s%s] %3ju%% %zu lines, %lld lines/s ",
                         std::string(filled, '#').c_str(), std::string(30 - filled, '-').c_str(),
                         pct, lines, rate);
        } else {
            std::fprintf(stderr, "\r%zu lines, %lld lines/s ", lines, rate);
        }
        if (last)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

  private:
    bool on_;
    std::uintmax_t total_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_{};
};

struct BatchOptions {
    std::string input = "-", output = "-", date;
    char rateType = 'M';
    bool ratePrint = false;
    std::size_t chunk = 1000;
    unsigned threads = 0; // 0: two when the machine has two cores or more
    bool progress = false, noProgress = false;
};

// Parses the lines into a chunk and looks up their control data (one thread).
class Reader {
  public:
    Reader(const Context& ctx, std::string defaultDate)
        : cache_(ctx), defaultDate_(std::move(defaultDate)) {}

    // Parses one input line into a new row of the chunk.
    void add(Chunk& chunk, std::uint64_t serial, std::size_t lineNo, std::string_view line) {
        Row& row = chunk.rows.emplace_back();
        row.line = lineNo;
        const Span whole = chunk.add(line);
        const char* base = chunk.text.data();
        auto span = [&](std::string_view v) {
            return Span{v.empty() ? whole.off : static_cast<std::size_t>(v.data() - base),
                        v.size()};
        };
        const Fields f = splitCsv(chunk.view(whole));
        if (f.count < 3 || f.count > 4) {
            row.amountText = span(f.f[0]);
            if (f.count > 1)
                row.from = span(f.f[1]);
            if (f.count > 2)
                row.to = span(f.f[2]);
            row.error =
                "expected 3 or 4 columns (amount,from,to[,date]), found " + std::to_string(f.count);
            return;
        }
        row.amountText = span(f.f[0]);
        row.from = span(f.f[1]);
        row.to = span(f.f[2]);
        const bool dated = f.count == 4 && !f.f[3].empty();
        if (dated)
            row.date = span(f.f[3]);
        if (!decimalToField(f.f[0], 13, 2, row.amount)) {
            row.error = "amount \"" + std::string(f.f[0]) +
                        "\" is not a number with at most 13 integer digits and 2 decimals";
            if (!dated)
                row.date = chunk.add(defaultDate_);
            return;
        }
        if (f.f[1].size() != 3 || f.f[2].size() != 3) {
            row.error = "currency codes must have three letters";
            if (!dated)
                row.date = chunk.add(defaultDate_);
            return;
        }
        const std::string_view dateText = dated ? f.f[3] : std::string_view(defaultDate_);
        auto d = parseDate(dateText);
        if (!d) {
            row.error = "date \"" + std::string(dateText) + "\" is not a valid date";
            if (!dated)
                row.date = chunk.add(defaultDate_);
            return;
        }
        std::memcpy(row.date8, d->data(), 8);
        row.valid = true;
        row.group = cache_.groupOf(chunk, serial, row.date8);
    }

    const PS_EB* reference() const { return cache_.reference(); }

  private:
    ControlDataCache cache_;
    std::string defaultDate_;
};

// Converts chunks: U5 per date, U7 for the pairs that do not touch the base currency, then
// writes the output rows. One per thread: the kernel's work cells are per thread.
class Converter {
  public:
    explicit Converter(const BatchOptions& o) : o_(o) {}

    void run(Chunk& c) {
        try {
            convert(c);
            format(c);
        } catch (...) {
            c.error = std::current_exception();
        }
    }

  private:
    void request(const Chunk& c, const Row& row) {
        q_.amount.assign(row.amount, 16);
        q_.from.assign(c.view(row.from));
        q_.to.assign(c.view(row.to));
        q_.bookingDate.assign(row.date8, 8);
        q_.rateType = o_.rateType;
        q_.ratePrint = o_.ratePrint ? 'J' : 'N';
    }

    void patch(const Chunk& c, const Group& g, bool apply) {
        auto* eb = reinterpret_cast<unsigned char*>(&eb_);
        const auto* ref = reinterpret_cast<const unsigned char*>(c.reference);
        std::string_view p = std::string_view(c.patches).substr(g.patch.off, g.patch.len);
        for (std::size_t i = 0; i + 2 < p.size(); i += 3) {
            const std::size_t at = static_cast<unsigned char>(p[i]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(p[i + 1]))
                                       << 8;
            eb[at] = apply ? static_cast<unsigned char>(p[i + 2]) : ref[at];
        }
    }

    void convert(Chunk& c) {
        // The valid rows by group, in input order within each group.
        start_.assign(c.groups.size() + 1, 0);
        for (const Row& r : c.rows)
            if (r.valid)
                ++start_[r.group + 1];
        for (std::size_t g = 0; g < c.groups.size(); ++g)
            start_[g + 1] += start_[g];
        order_.resize(start_.back());
        fill_.assign(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            if (c.rows[i].valid)
                order_[fill_[c.rows[i].group]++] = static_cast<std::uint32_t>(i);

        for (std::size_t g = 0; g < c.groups.size(); ++g) {
            const Group& grp = c.groups[g];
            const std::uint32_t* idx = order_.data() + start_[g];
            const std::size_t n = start_[g + 1] - start_[g];
            if (!controlDataLoaded(grp.rc)) {
                for (std::size_t k = 0; k < n; ++k) {
                    Row& r = c.rows[idx[k]];
                    r.rc = grp.rc;
                    r.error = "control data: " + returnText(grp.rc);
                }
                continue;
            }
            if (!ebReady_) {
                eb_ = *c.reference;
                ebReady_ = true;
            }
            patch(c, grp, true);
            int32_t aux = grp.aux;
            u5_.resize(n);
            for (std::size_t k = 0; k < n; ++k) {
                request(c, c.rows[idx[k]]);
                fillU1(u5_[k].SB, q_);
            }
            U5_UmrFwaehrBwaehr(static_cast<int32_t>(n), u5_.data(), &eb_, &aux);
            again_.clear();
            for (std::size_t k = 0; k < n; ++k) {
                const U5_ELEM& e = u5_[k];
                if (e.RESULT == tarvo::rc::kIsoCombination) {
                    again_.push_back(idx[k]);
                    continue;
                }
                take(c.rows[idx[k]], e.RESULT, e.SB);
            }
            if (!again_.empty()) {
                u7_.resize(again_.size());
                for (std::size_t k = 0; k < again_.size(); ++k) {
                    request(c, c.rows[again_[k]]);
                    fillU3(u7_[k].SB, q_);
                }
                aux = grp.aux;
                U7_UmrFwaehrBwaehrFwaehr(static_cast<int32_t>(again_.size()), u7_.data(), &eb_,
                                         &aux);
                for (std::size_t k = 0; k < again_.size(); ++k)
                    take(c.rows[again_[k]], u7_[k].RESULT, u7_[k].SB);
            }
            patch(c, grp, false);
        }
    }

    template <class SB> static void take(Row& row, int32_t rc, const SB& sb) {
        row.rc = rc;
        if (conversionOk(rc))
            row.result = resultAmount(sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0);
    }

    const std::string& text(int32_t rc) {
        auto it = texts_.find(rc);
        if (it == texts_.end())
            it = texts_.emplace(rc, returnText(rc)).first;
        return it->second;
    }

    void format(Chunk& c) {
        std::string& out = c.out;
        out.reserve(c.rows.size() * 64);
        c.rowEnd.reserve(c.rows.size());
        for (const Row& r : c.rows) {
            const bool ok = r.error.empty() && conversionOk(r.rc);
            ok ? ++c.converted : ++c.failed;
            appendNumber(out, r.line);
            out += ',';
            appendCsvField(out, c.view(r.amountText));
            out += ',';
            appendCsvField(out, c.view(r.from));
            out += ',';
            appendCsvField(out, c.view(r.to));
            out += ',';
            appendCsvField(out, r.valid ? std::string_view(r.date8, 8) : c.view(r.date));
            out += ',';
            out += r.result;
            out += ',';
            if (!r.error.empty() && r.rc == 0)
                out += "input";
            else
                appendNumber(out, r.rc);
            out += ',';
            if (!r.error.empty())
                appendCsvField(out, r.error);
            else if (r.rc != 0)
                appendCsvField(out, text(r.rc));
            out += '\n';
            c.rowEnd.push_back(out.size());
        }
    }

    const BatchOptions& o_;
    PS_EB eb_{}; // the reference block, patched for one group at a time

    bool ebReady_ = false;
    ConvertRequest q_;
    std::vector<U5_ELEM> u5_;
    std::vector<U7_ELEM> u7_;
    std::vector<std::uint32_t> order_, again_;
    std::vector<std::size_t> start_, fill_;
    std::map<int32_t, std::string> texts_;
};

// Worker threads that convert chunks while the main thread reads and writes.
class Workers {
  public:
    Workers(unsigned count, const BatchOptions& o) {
        try {
            for (unsigned i = 0; i < count; ++i)
                threads_.emplace_back([this, &o] {
                    Converter conv(o);
                    while (Chunk* c = next())
                        finished(*c, conv);
                });
        } catch (...) {
            stop();
            throw;
        }
    }
    ~Workers() { stop(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    void submit(Chunk& c) {
        {
            std::lock_guard<std::mutex> lock(m_);
            todo_.push_back(&c);
        }
        work_.notify_one();
    }
    void wait(Chunk& c) {
        std::unique_lock<std::mutex> lock(m_);
        done_.wait(lock, [&] { return c.done; });
    }

  private:
    void stop() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    Chunk* next() {
        std::unique_lock<std::mutex> lock(m_);
        work_.wait(lock, [&] { return stop_ || !todo_.empty(); });
        if (todo_.empty())
            return nullptr;
        Chunk* c = todo_.front();
        todo_.pop_front();
        return c;
    }
    void finished(Chunk& c, Converter& conv) {
        conv.run(c);
        {
            std::lock_guard<std::mutex> lock(m_);
            c.done = true;
        }
        done_.notify_all();
    }

    std::mutex m_;
    std::condition_variable work_, done_;
    std::deque<Chunk*> todo_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// The input read in large blocks and cut into lines at '\n' (a last line without one
// counts too).
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd), buf_(1 << 18) {}

    // The next line without its '\n', or nothing at the end or on a read error (bad()).
    std::optional<std::string_view> next() {
        while (true) {
            const char* nl =
                static_cast<const char*>(std::memchr(buf_.data() + pos_, '\n', end_ - pos_));
            if (nl != nullptr) {
                std::string_view part(buf_.data() + pos_,
                                      static_cast<std::size_t>(nl - buf_.data()) - pos_);
                pos_ = static_cast<std::size_t>(nl - buf_.data()) + 1;
                if (carry_.empty())
                    return part;
                carry_.append(part);
                line_.swap(carry_);
                carry_.clear();
                return std::string_view(line_);
            }
            carry_.append(buf_.data() + pos_, end_ - pos_);
            pos_ = end_ = 0;
            if (eof_ || bad_)
                break;
            fill();
        }
        if (carry_.empty() || bad_)
            return std::nullopt;
        line_.swap(carry_);
        carry_.clear();
        return std::string_view(line_);
    }
    bool bad() const { return bad_; }

  private:
    void fill() {
        while (true) {
            const ssize_t n = ::read(fd_, buf_.data(), buf_.size());
            if (n > 0) {
                end_ = static_cast<std::size_t>(n);
                return;
            }
            if (n == 0) {
                eof_ = true;
                return;
            }
            if (errno != EINTR) {
                bad_ = true;
                return;
            }
        }
    }

    int fd_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
    std::string carry_, line_;
    bool eof_ = false, bad_ = false;
};

int runBatch(const BatchOptions& o, const Context& ctx) {
    if (o.chunk == 0 || o.chunk > 100000)
        throw UsageError(msg(Msg::ChunkRange));
    if (o.threads > 64)
        throw UsageError(msg(Msg::ThreadsRange));
    std::string defaultDate = o.date.empty() ? today() : dateArg(o.date, "--date");

    int fd = 0;
    std::uintmax_t total = 0;
    struct Closer {
        int fd;
        ~Closer() {
            if (fd > 0)
                ::close(fd);
        }
    } closer{-1};
    if (o.input != "-") {
        fd = ::open(o.input.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw FileError(msg(Msg::CannotOpen, {o.input}));
        closer.fd = fd;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        total = static_cast<std::uintmax_t>(st.st_size);
    // The output goes to a temporary file renamed at the end, so a failed run leaves no
    // half-written result behind.
    std::optional<AtomicOutputFile> outFile;
    if (o.output != "-") {
        outFile.emplace(o.output);
    }
    bool stdoutFailed = false;
    auto emit = [&](std::string_view bytes) {
        if (outFile) {
            outFile->write(bytes);
            return;
        }
        if (!stdoutFailed && !writeStandardOutput(bytes))
            stdoutFailed = true;
    };

    bool large = total == 0 || total > (1u << 20);
    Progress progress(o.progress || (!o.noProgress && large && ::isatty(2)), total);
    Reader reader(ctx, defaultDate);
    unsigned threads =
        o.threads != 0 ? o.threads : (std::thread::hardware_concurrency() >= 2 ? 2u : 1u);

    std::size_t lineNo = 0, failed = 0, converted = 0;
    std::uintmax_t bytes = 0;
    std::string buffer;
    buffer.reserve(1 << 16);
    buffer += "line,amount,from,to,date,result,code,message\n";
    auto write = [&](Chunk& c) {
        if (c.error)
            std::rethrow_exception(c.error);
        converted += c.converted;
        failed += c.failed;
        std::size_t from = 0;
        for (std::size_t end : c.rowEnd) {
            buffer.append(c.out, from, end - from);
            from = end;
            if (buffer.size() > 60000) {
                emit(buffer);
                buffer.clear();
            }
        }
        progress.update(c.endLine, c.endBytes);
    };

    // Chunks in input order; the workers (declared after them, so stopped first) convert
    // them while this thread reads ahead and writes the finished ones in order.
    std::deque<std::unique_ptr<Chunk>> inflight;
    std::vector<std::unique_ptr<Chunk>> spare;
    std::optional<Converter> inline_;
    std::optional<Workers> workers;
    if (threads > 1)
        workers.emplace(threads, o);
    else
        inline_.emplace(o);
    const std::size_t maxInflight = threads + 2;
    auto finishHead = [&] {
        Chunk& c = *inflight.front();
        if (workers)
            workers->wait(c);
        write(c);
        c.clear();
        spare.push_back(std::move(inflight.front()));
        inflight.pop_front();
    };
    std::uint64_t serial = 0;
    auto newChunk = [&] {
        std::unique_ptr<Chunk> c;
        if (!spare.empty()) {
            c = std::move(spare.back());
            spare.pop_back();
        } else {
            c = std::make_unique<Chunk>();
        }
        ++serial;
        return c;
    };
    auto dispatch = [&](std::unique_ptr<Chunk> c) {
        c->endLine = lineNo;
        c->endBytes = bytes;
        c->reference = reader.reference();
        Chunk& ref = *c;
        inflight.push_back(std::move(c));
        if (workers) {
            workers->submit(ref);
        } else {
            inline_->run(ref);
            ref.done = true;
        }
        while (inflight.size() >= maxInflight || (!workers && !inflight.empty()))
            finishHead();
    };

    LineReader lines(fd);
    std::unique_ptr<Chunk> chunk = newChunk();
    try {
        while (auto got = lines.next()) {
            std::string_view v = *got;
            ++lineNo;
            bytes += v.size() + 1;
            if (!v.empty() && v.back() == '\r')
                v.remove_suffix(1);
            if (v.find_first_not_of(" \t") == std::string_view::npos || v.front() == '#')
                continue;
            if (lineNo == 1 && (v.substr(0, 6) == "amount" || v.substr(0, 6) == "Amount"))
                continue; // header
            reader.add(*chunk, serial, lineNo, v);
            if (chunk->rows.size() >= o.chunk) {
                dispatch(std::move(chunk));
                chunk = newChunk();
            }
        }
        dispatch(std::move(chunk));
    } catch (...) {
        // What was read before the failure is written as it would have been.
        while (!inflight.empty())
            finishHead();
        throw;
    }
    while (!inflight.empty())
        finishHead();
    emit(buffer);
    progress.update(lineNo, bytes, true);
    if (lines.bad())
        throw FileError(msg(Msg::CannotRead, {o.input}));
    if (outFile) {
        outFile->commit();
    } else if (stdoutFailed) {
        return 1; // main reports the failed write
    }
    if (failed > 0) {
        complain(msg(Msg::BatchSummary, {std::to_string(converted), std::to_string(failed)}));
        return 1;
    }
    return 0;
}

} // namespace

void addBatchCommand(CLI::App& app, Context& ctx) {
    auto o = std::make_shared<BatchOptions>();
    CLI::App* cmd = app.add_subcommand(
        "batch", "Convert CSV lines \"amount,from,to[,date]\" in batches (U5/U7) into CSV "
                 "\"line,amount,from,to,date,result,code,message\"");
    cmd->add_option("INPUT", o->input, "Input file, - for standard input (default)");
    cmd->add_option("-o,--output", o->output,
                    "Output file, - for standard output (default); written atomically");
    cmd->add_option("--date", o->date, "Date of lines without one (default: today)");
    cmd->add_option("--rate-type", o->rateType, "Rate type G, M, B, S, X or Y (default M)")
        ->check(CLI::IsMember({'G', 'M', 'B', 'S', 'X', 'Y'}));
    cmd->add_flag("--rate-print", o->ratePrint, "Demand rates marked for printing");
    cmd->add_option("--chunk", o->chunk, "Lines per kernel batch (default 1000)");
    cmd->add_option("--threads", o->threads,
                    "Conversion threads (default: 2 on a machine with two cores or more)");
    cmd->add_flag("--progress", o->progress, "Always show the progress bar on standard error");
    cmd->add_flag("--no-progress", o->noProgress, "Never show the progress bar");
    addDataOptions(*cmd, ctx);
    cmd->callback([o, &ctx] { ctx.run = [o, &ctx] { return runBatch(*o, ctx); }; });
}

} // namespace tarvo::tool
