// Prints how long the formatter takes to load its bundle and to format 1 MiB of JavaScript,
// both on the formatter's own queue as the application runs them.
#include "features/PrettierEngine.h"
#include "platform/SerialQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using EditorFeatures::PrettierEngine;
using Platform::SerialQueue;

namespace {

const std::vector<std::string> bundleScripts = {
    "standalone.js",
    "plugins/estree.js",
    "plugins/babel.js",
    "plugins/typescript.js",
    "plugins/markdown.js",
    "plugins/yaml.js",
    "plugins/html.js",
    "plugins/postcss.js",
};

// Runs the work on the queue and waits for it.
void runOn(SerialQueue& queue, std::function<void()> work)
{
    queue.async(std::move(work));
    queue.waitUntilIdle();
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Unformatted but valid JavaScript of at least `size` UTF-16 units: classes, closures, object
// and array literals, template strings and comments, each block with its own names.
std::u16string javascriptOfSize(std::size_t size)
{
    std::string text;
    for (int i = 0; text.size() < size; ++i) {
        const std::string n = std::to_string(i);
        text += "// block " + n + "\n";
        text += "class Shape" + n + " extends Base{constructor(a,b){super(a);this.b=b;"
                + "this.items=[1,2,3," + n + "].map(x=>x*2)}area(){return this.b*this.b}}\n";
        text += "function compute" + n
                + "(list,{limit=10,label='item'}={}){let total=0;for(const x of list)"
                + "{if(x>limit){total+=x}else{total-=x}}return `${label}: ${total}`}\n";
        text +=
            "const table" + n + "={name:'t" + n
            + "',rows:[{id:1,value:\"a\"},{id:2,value:\"b\"}],async load(){const r=await "
            + "fetchRows(this.name);return r.filter(r=>r.ok).map(({id,value})=>({id,value}))}};\n";
    }
    return std::u16string(text.begin(), text.end());
}

} // namespace

int main()
{
    SerialQueue queue("app.orlune.viewer.formatter");

    std::vector<double> loads;
    std::unique_ptr<PrettierEngine> engine;
    for (int round = 0; round < 5; ++round) {
        runOn(queue, [&] {
            engine.reset();
            const auto start = std::chrono::steady_clock::now();
            auto made = PrettierEngine::create(OLV_PRETTIER_DIR, bundleScripts);
            loads.push_back(secondsSince(start));
            if (made)
                engine = std::move(*made);
            else
                std::fprintf(stderr, "load failed: %s\n", made.error().message.c_str());
        });
        if (!engine)
            return 1;
    }
    std::sort(loads.begin(), loads.end());
    std::printf("engine load (8 scripts, %d runs): min %.1f ms, median %.1f ms, max %.1f ms\n",
                static_cast<int>(loads.size()),
                loads.front() * 1e3,
                loads[loads.size() / 2] * 1e3,
                loads.back() * 1e3);

    const std::u16string source = javascriptOfSize(1024 * 1024);
    for (int round = 0; round < 3; ++round) {
        runOn(queue, [&] {
            const auto start = std::chrono::steady_clock::now();
            const auto formatted = engine->format(source, "babel", 4, false);
            const double seconds = secondsSince(start);
            if (formatted)
                std::printf("format %zu KiB of JavaScript (run %d): %.2f s -> %zu KiB\n",
                            source.size() / 1024,
                            round + 1,
                            seconds,
                            formatted->size() / 1024);
            else
                std::printf(
                    "format failed after %.2f s: %s\n", seconds, formatted.error().message.c_str());
        });
    }
    runOn(queue, [&] { engine.reset(); });
    return 0;
}
