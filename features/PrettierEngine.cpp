#include "features/PrettierEngine.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <js/CompilationAndEvaluation.h>
#include <js/Context.h>
#include <js/Conversions.h>
#include <js/Exception.h>
#include <js/GlobalObject.h>
#include <js/Initialization.h>
#include <js/Object.h>
#include <js/PropertyAndElement.h>
#include <js/Realm.h>
#include <js/SourceText.h>
#include <js/Stack.h>
#include <js/String.h>
#include <jsapi.h>
#include <jsfriendapi.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <utility>

namespace EditorFeatures {

namespace {

using Failure = PrettierEngine::Failure;

constexpr std::string_view formatScript =
    "prettier.format(__olSource, Object.assign({ plugins: Object.values(prettierPlugins) }, "
    "__olOptions)).then(__olResolved, __olRejected)";

const JSClass globalClass = {"OrluneFormatterGlobal",
                             JSCLASS_GLOBAL_FLAGS,
                             &JS::DefaultGlobalClassOps,
                             nullptr,
                             nullptr,
                             nullptr};

// The engine must be initialised once per process, and the first context made, one thread at
// a time; contexts are rare, so every creation goes through this lock.
std::mutex& creationLock()
{
    static std::mutex lock;
    return lock;
}

bool initialiseEngineOnce()
{
    static const bool initialised = [] {
        if (!JS_Init())
            return false;
        // The library's own finalisers crash on the locks of its helper threads unless it was
        // shut down first. Shutting down tolerates a context still alive (it is then leaked),
        // so an engine kept for the whole run does not have to be destroyed before exit.
        std::atexit([] { JS_ShutDown(); });
        return true;
    }();
    return initialised;
}

// SpiderMonkey measures its stack quota from where the context is made; leave a quarter of the
// thread's stack for the native frames around and below the scripts.
std::size_t stackQuotaOfCurrentThread()
{
    constexpr std::size_t fallback = 1024 * 1024;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return fallback;
    void* base = nullptr;
    std::size_t size = 0;
    const bool known = pthread_attr_getstack(&attributes, &base, &size) == 0;
    pthread_attr_destroy(&attributes);
    return known && size > 4 * fallback ? size / 4 * 3 : fallback;
}

std::string utf8(JSContext* context, JS::HandleString string)
{
    JS::UniqueChars bytes = JS_EncodeStringToUTF8(context, string);
    if (!bytes) {
        JS_ClearPendingException(context);
        return {};
    }
    return bytes.get();
}

// The string form of a value, or none when converting it throws.
std::optional<std::string> stringForm(JSContext* context, JS::HandleValue value)
{
    JS::RootedString string(context, JS::ToString(context, value));
    if (!string) {
        JS_ClearPendingException(context);
        return std::nullopt;
    }
    return utf8(context, string);
}

std::optional<int>
integerMember(JSContext* context, JS::HandleValue value, std::initializer_list<const char*> path)
{
    JS::RootedValue current(context, value);
    for (const char* name : path) {
        if (!current.isObject())
            return std::nullopt;
        JS::RootedObject object(context, &current.toObject());
        if (!JS_GetProperty(context, object, name, &current)) {
            JS_ClearPendingException(context);
            return std::nullopt;
        }
    }
    if (!current.isNumber())
        return std::nullopt;
    int32_t number = 0;
    if (!JS::ToInt32(context, current, &number)) {
        JS_ClearPendingException(context);
        return std::nullopt;
    }
    return number;
}

// What Prettier rejects with (or throws): an error whose `message` starts with a one-line
// summary and goes on with a code frame, and whose `loc.start` points at the fault.
Failure failureFromValue(JSContext* context, JS::HandleValue value)
{
    Failure failure;
    failure.line = integerMember(context, value, {"loc", "start", "line"});
    failure.column = integerMember(context, value, {"loc", "start", "column"});

    std::optional<std::string> message;
    if (value.isObject()) {
        JS::RootedObject object(context, &value.toObject());
        JS::RootedValue member(context);
        if (!JS_GetProperty(context, object, "message", &member))
            JS_ClearPendingException(context);
        else if (!member.isUndefined())
            message = stringForm(context, member);
    }
    if (!message)
        message = stringForm(context, value);
    failure.message = message.value_or("?");
    if (const auto newline = failure.message.find('\n'); newline != std::string::npos)
        failure.message.resize(newline);
    return failure;
}

EditorCore::Result<std::string, Failure> readScript(const std::filesystem::path& directory,
                                                    const std::string& script)
{
    const std::filesystem::path relative(script);
    bool inside = !script.empty() && relative.is_relative();
    for (const auto& part : relative)
        inside = inside && part != ".." && part != "." && !part.empty();
    if (!inside)
        return EditorCore::failure(Failure{script + ": not a path inside the formatter", {}, {}});

    const std::filesystem::path path = directory / relative;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return EditorCore::failure(Failure{script + ": " + std::strerror(errno), {}, {}});
    std::string text;
    std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            ::close(descriptor);
            return EditorCore::failure(Failure{script + ": " + std::strerror(error), {}, {}});
        }
        if (count == 0)
            break;
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(descriptor);
    return text;
}

} // namespace

struct PrettierEngine::Context
{
    JSContext* context = nullptr;
    std::unique_ptr<JS::PersistentRootedObject> global;
    // The slots of the call under way, filled by the two native callbacks.
    std::optional<std::u16string> result;
    std::optional<Failure> failure;

    ~Context()
    {
        global.reset();
        if (context)
            JS_DestroyContext(context);
    }

    static Context& of(JSContext* context)
    {
        return *static_cast<Context*>(JS_GetContextPrivate(context));
    }

    // Runs one script to completion, promise jobs included. False when it threw; `thrown` then
    // holds the thrown value, and `caught` is false for a stop that left no value (running out
    // of memory).
    bool evaluate(std::string_view source,
                  const char* fileName,
                  JS::MutableHandleValue thrown,
                  bool& caught)
    {
        JS::CompileOptions options(context);
        options.setFileAndLine(fileName, 1);
        JS::SourceText<mozilla::Utf8Unit> text;
        JS::RootedValue ignored(context);
        const bool ran =
            text.init(context, source.data(), source.size(), JS::SourceOwnership::Borrowed)
            && JS::Evaluate(context, options, text, &ignored);
        caught = false;
        if (!ran && JS_IsExceptionPending(context))
            caught = JS_GetPendingException(context, thrown);
        JS_ClearPendingException(context);
        js::RunJobs(context);
        // A job's own exception is not the evaluation's; drop it so the next call starts clean.
        JS_ClearPendingException(context);
        return ran;
    }

    bool setGlobal(const char* name, JS::HandleValue value)
    {
        JS::RootedObject object(context, *global);
        return JS_SetProperty(context, object, name, value);
    }

    static bool resolved(JSContext* context, unsigned argc, JS::Value* vp)
    {
        const JS::CallArgs args = JS::CallArgsFromVp(argc, vp);
        JS::RootedString string(context, JS::ToString(context, args.get(0)));
        if (!string)
            return false;
        const std::size_t length = JS_GetStringLength(string);
        std::u16string text(length, u'\0');
        if (!JS_CopyStringChars(context, mozilla::Range<char16_t>(text.data(), length), string))
            return false;
        of(context).result = std::move(text);
        args.rval().setUndefined();
        return true;
    }

    static bool rejected(JSContext* context, unsigned argc, JS::Value* vp)
    {
        const JS::CallArgs args = JS::CallArgsFromVp(argc, vp);
        of(context).failure = failureFromValue(context, args.get(0));
        args.rval().setUndefined();
        return true;
    }
};

PrettierEngine::PrettierEngine(std::unique_ptr<Context> context)
    : m_context(std::move(context))
    , m_thread(std::this_thread::get_id())
{}

PrettierEngine::~PrettierEngine()
{
    // A context can only be destroyed on its own thread; from any other it is left behind
    // rather than corrupting the engine's per-thread state.
    if (std::this_thread::get_id() != m_thread)
        (void)m_context.release();
}

EditorCore::Result<std::unique_ptr<PrettierEngine>, Failure>
PrettierEngine::create(const std::filesystem::path& directory,
                       const std::vector<std::string>& scripts)
{
    auto context = std::make_unique<Context>();
    {
        const std::lock_guard guard(creationLock());
        JSContext* made = initialiseEngineOnce() ? JS_NewContext(JS::DefaultHeapMaxBytes) : nullptr;
        if (made) {
            context->context = made;
            // The job queue and the stack quota must be in place before the self-hosted code
            // runs.
            JS_SetNativeStackQuota(made, stackQuotaOfCurrentThread());
            if (!js::UseInternalJobQueues(made) || !JS::InitSelfHostedCode(made))
                context->context = nullptr;
        }
        if (made && !context->context)
            JS_DestroyContext(made);
    }
    JSContext* cx = context->context;
    if (!cx)
        return EditorCore::failure(Failure{"SpiderMonkey", {}, {}});
    JS_SetContextPrivate(cx, context.get());
    // The default heap limit is far below what formatting a large file takes.
    JS_SetGCParameter(cx, JSGC_MAX_BYTES, 0xffffffff);

    JS::RealmOptions realmOptions;
    JS::RootedObject global(
        cx, JS_NewGlobalObject(cx, &globalClass, nullptr, JS::FireOnNewGlobalHook, realmOptions));
    if (!global)
        return EditorCore::failure(Failure{"SpiderMonkey", {}, {}});
    context->global = std::make_unique<JS::PersistentRootedObject>(cx, global);
    {
        const JSAutoRealm realm(cx, global);
        if (!JS::InitRealmStandardClasses(cx)
            || !JS_DefineFunction(cx, global, "__olResolved", &Context::resolved, 1, 0)
            || !JS_DefineFunction(cx, global, "__olRejected", &Context::rejected, 1, 0))
            return EditorCore::failure(Failure{"SpiderMonkey", {}, {}});

        for (const std::string& script : scripts) {
            auto source = readScript(directory, script);
            if (!source)
                return EditorCore::failure(std::move(source.error()));
            JS::RootedValue thrown(cx);
            bool caught = false;
            if (!context->evaluate(*source, script.c_str(), &thrown, caught)) {
                // A value without a string form still fails the load.
                std::optional<std::string> text;
                if (caught)
                    text = stringForm(cx, thrown);
                return EditorCore::failure(Failure{text.value_or("?"), {}, {}});
            }
        }

        JS::RootedValue prettier(cx);
        if (!JS_GetProperty(cx, global, "prettier", &prettier) || !prettier.isObject()) {
            JS_ClearPendingException(cx);
            return EditorCore::failure(Failure{"prettier 없음", {}, {}});
        }
    }
    return std::unique_ptr<PrettierEngine>(new PrettierEngine(std::move(context)));
}

EditorCore::Result<std::u16string, Failure> PrettierEngine::format(std::u16string_view source,
                                                                   std::string_view parser,
                                                                   int tabWidth,
                                                                   bool useTabs)
{
    if (std::this_thread::get_id() != m_thread)
        return EditorCore::failure(Failure{"formatter used off its own thread", {}, {}});

    Context& state = *m_context;
    JSContext* cx = state.context;
    JS::RootedObject global(cx, *state.global);
    const JSAutoRealm realm(cx, global);
    state.result.reset();
    state.failure.reset();

    const auto failed = [&] {
        JS_ClearPendingException(cx);
        return EditorCore::failure(Failure{"SpiderMonkey", {}, {}});
    };
    JS::RootedString sourceString(cx, JS_NewUCStringCopyN(cx, source.data(), source.size()));
    JS::RootedString parserString(cx, JS_NewStringCopyN(cx, parser.data(), parser.size()));
    JS::RootedString lineEndString(cx, JS_NewStringCopyZ(cx, "lf"));
    JS::RootedObject options(cx, JS_NewPlainObject(cx));
    if (!sourceString || !parserString || !lineEndString || !options)
        return failed();
    JS::RootedValue sourceValue(cx, JS::StringValue(sourceString));
    JS::RootedValue parserValue(cx, JS::StringValue(parserString));
    JS::RootedValue lineEndValue(cx, JS::StringValue(lineEndString));
    JS::RootedValue tabWidthValue(cx, JS::Int32Value(tabWidth));
    JS::RootedValue useTabsValue(cx, JS::BooleanValue(useTabs));
    JS::RootedValue optionsValue(cx, JS::ObjectValue(*options));
    if (!JS_DefineProperty(cx, options, "parser", parserValue, JSPROP_ENUMERATE)
        || !JS_DefineProperty(cx, options, "tabWidth", tabWidthValue, JSPROP_ENUMERATE)
        || !JS_DefineProperty(cx, options, "useTabs", useTabsValue, JSPROP_ENUMERATE)
        || !JS_DefineProperty(cx, options, "endOfLine", lineEndValue, JSPROP_ENUMERATE)
        || !state.setGlobal("__olSource", sourceValue)
        || !state.setGlobal("__olOptions", optionsValue))
        return failed();

    JS::RootedValue thrown(cx);
    bool caught = false;
    const bool ran = state.evaluate(formatScript, "format", &thrown, caught);
    JS::RootedValue undefined(cx);
    if (!state.setGlobal("__olSource", undefined))
        JS_ClearPendingException(cx);

    if (state.failure)
        return EditorCore::failure(*std::exchange(state.failure, std::nullopt));
    if (state.result)
        return *std::exchange(state.result, std::nullopt);
    // A synchronous throw (a missing plugin table, a `format` that is not a function) never
    // reaches the callbacks; report it as the rejection it stands for.
    if (!ran && caught)
        return EditorCore::failure(failureFromValue(cx, thrown));
    return EditorCore::failure(Failure{"결과 없음", {}, {}});
}

std::optional<std::string_view> PrettierEngine::parserName(CodeLanguage language)
{
    switch (language) {
    case CodeLanguage::markdown:
        return "markdown";
    case CodeLanguage::yaml:
        return "yaml";
    case CodeLanguage::javascript:
        return "babel";
    case CodeLanguage::typescript:
    case CodeLanguage::tsx:
        return "typescript";
    case CodeLanguage::html:
        return "html";
    case CodeLanguage::css:
        return "css";
    default:
        return std::nullopt;
    }
}

std::ostream& operator<<(std::ostream& stream, const PrettierEngine::Failure& failure)
{
    stream << '"' << failure.message << '"';
    if (failure.line)
        stream << " at " << *failure.line << ':' << failure.column.value_or(0);
    return stream;
}

} // namespace EditorFeatures
