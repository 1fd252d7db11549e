// Load plus a full walk (every tag name and attribute read) for our reader
// and for pugixml on the same documents, and the heap allocations of one
// load of a realistic manifest.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include "update/XmlDocument.h"

// ---- allocation counting -------------------------------------------------

namespace {
std::atomic<long> gNewCalls {0};
std::atomic<long> gPugiCalls {0};
} // namespace

void* operator new(size_t size)
{
    gNewCalls.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

namespace {

void* CountingPugiAllocate(size_t size)
{
    gPugiCalls.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size);
}

// ---- documents -----------------------------------------------------------

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(1);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

const std::string& Manifest()
{
    static const std::string text = ReadFile(TOVRIN_BENCH_DATA "/manifest-2k.xml");
    return text;
}

// About 1 MB of small elements, shaped like manifests.
const std::string& LargeDocument()
{
    static const std::string text = [] {
        std::string out = "<?xml version=\"1.0\"?>\n<config>\n";
        char line[256];
        for (int i = 0; out.size() < 1024 * 1024; ++i) {
            std::snprintf(line, sizeof line, "  <entity name=\"group%d\">\n", i);
            out += line;
            for (int f = 0; f < 4; ++f) {
                std::snprintf(line, sizeof line,
                              "    <file name=\"f%d_%d.dll\" url=\"http://127.0.0.1/f/%d/%d\" "
                              "version=\"1.%d.%d\" size=\"%d\"/>\n",
                              i, f, i, f, f, i % 100, 1000 + i * 7 + f);
                out += line;
            }
            std::snprintf(line, sizeof line, "  </entity>\n  <data-update name=\"k%d\" value=\"v&amp;%d\"/>\n", i, i);
            out += line;
        }
        out += "</config>\n";
        return out;
    }();
    return text;
}

// ---- walks ---------------------------------------------------------------

// Our reader has no attribute enumeration: the walk reads the attributes each
// element of the format carries, by name.
const char* const kEntityAttributes[] = {"name", nullptr};
const char* const kFileAttributes[] = {"name", "url", "version", "size", "compressed", nullptr};
const char* const kPropertyAttributes[] = {"name", "value", nullptr};
const char* const kNoAttributes[] = {nullptr};

const char* const* AttributesOf(const char* tag)
{
    if (std::strcmp(tag, "file") == 0)
        return kFileAttributes;
    if (std::strcmp(tag, "entity") == 0)
        return kEntityAttributes;
    if (std::strcmp(tag, "data-update") == 0)
        return kPropertyAttributes;
    return kNoAttributes;
}

// Texts are copied into a buffer, as the manifest reader does; every name and
// value in the two documents fits it whole.
size_t WalkOurs(XmlDocument& doc)
{
    char tag[256];
    char value[256];
    size_t bytes = 0;
    while (doc.FindChildElement()) {
        bytes += doc.GetChildTagName(tag, sizeof tag);
        for (const char* const* a = AttributesOf(tag); *a; ++a) {
            bytes += doc.GetChildAttribute(*a, value, sizeof value);
        }
        if (doc.IntoElement()) {
            bytes += WalkOurs(doc);
            doc.OutOfElement();
        }
    }
    return bytes;
}

size_t WalkPugi(const pugi::xml_node& node)
{
    size_t bytes = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        bytes += std::strlen(child.name());
        for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute()) {
            bytes += std::strlen(a.name()) + std::strlen(a.value());
        }
        bytes += WalkPugi(child);
    }
    return bytes;
}

void OursLoadAndWalk(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        XmlDocument doc;
        if (!doc.Load(text.c_str())) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(WalkOurs(doc));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void PugiLoadAndWalk(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_buffer(text.data(), text.size())) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(WalkPugi(doc));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Load alone, without the walk.
void OursLoad(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        XmlDocument doc;
        benchmark::DoNotOptimize(doc.Load(text.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void PugiLoad(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_OursLoadOnly_Manifest2K(benchmark::State& s)
{
    OursLoad(s, Manifest());
}
void BM_PugiLoadOnly_Manifest2K(benchmark::State& s)
{
    PugiLoad(s, Manifest());
}
void BM_OursLoadOnly_Generated1M(benchmark::State& s)
{
    OursLoad(s, LargeDocument());
}
void BM_PugiLoadOnly_Generated1M(benchmark::State& s)
{
    PugiLoad(s, LargeDocument());
}

void BM_Ours_Manifest2K(benchmark::State& s)
{
    OursLoadAndWalk(s, Manifest());
}
void BM_Pugi_Manifest2K(benchmark::State& s)
{
    PugiLoadAndWalk(s, Manifest());
}
void BM_Ours_Generated1M(benchmark::State& s)
{
    OursLoadAndWalk(s, LargeDocument());
}
void BM_Pugi_Generated1M(benchmark::State& s)
{
    PugiLoadAndWalk(s, LargeDocument());
}

void ReportAllocations()
{
    const std::string& text = Manifest();
    long before = gNewCalls.load();
    {
        XmlDocument doc;
        long constructed = gNewCalls.load();
        doc.Load(text.c_str());
        long loaded = gNewCalls.load();
        std::printf("allocations, our reader, %zu-byte manifest: constructor %ld, Load %ld\n", text.size(),
                    constructed - before, loaded - constructed);
        size_t walked = WalkOurs(doc);
        std::printf("allocations, our reader, full walk (%zu bytes read): %ld\n", walked, gNewCalls.load() - loaded);
        long beforeReload = gNewCalls.load();
        doc.Load(text.c_str());
        std::printf("allocations, our reader, second Load on the same object: %ld\n", gNewCalls.load() - beforeReload);
    }
    pugi::set_memory_management_functions(CountingPugiAllocate, std::free);
    {
        long pugiBefore = gPugiCalls.load() + gNewCalls.load();
        pugi::xml_document doc;
        doc.load_buffer(text.data(), text.size());
        std::printf("allocations, pugixml, same manifest: load %ld\n",
                    gPugiCalls.load() + gNewCalls.load() - pugiBefore);
    }
    pugi::set_memory_management_functions(std::malloc, std::free);
}

} // namespace

BENCHMARK(BM_Ours_Manifest2K);
BENCHMARK(BM_Pugi_Manifest2K);
BENCHMARK(BM_Ours_Generated1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pugi_Generated1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursLoadOnly_Manifest2K);
BENCHMARK(BM_PugiLoadOnly_Manifest2K);
BENCHMARK(BM_OursLoadOnly_Generated1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PugiLoadOnly_Generated1M)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    std::printf("documents: manifest %zu bytes, generated %zu bytes\n", Manifest().size(), LargeDocument().size());
    ReportAllocations();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
