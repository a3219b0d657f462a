// libmpv, loaded at the first mpv_create() rather than by the program's start.
//
// libmpv brings nearly two hundred libraries (FFmpeg and every codec, filter
// and protocol library behind it). Linked to the program, all of them join
// the global symbol scope, and every symbol the dynamic loader resolves
// afterwards, for the program's own libraries and for the OpenGL driver that
// the first window loads, is looked up through each of them: that lookup was
// most of the start. Loaded here with RTLD_LOCAL they stay in a scope of
// their own, opened leaves first (see RuntimeLibrary). The functions below
// are the client and render API the program uses, under their own names,
// each handing on to the library's.

#include "util/RuntimeLibrary.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <cstdio>
#include <vector>

static_assert(MPV_CLIENT_API_VERSION >> 16 == 2, "the library's name below is that of client API 2");

namespace {

constexpr const char LibraryName[] = "libmpv.so.2";

/// What libmpv needs here, leaves first, as the build found it.
const std::vector<const char *> Dependencies = {
#include "MpvDependencies.inc"
};

#define KOVAPLEX_MPV_FUNCTIONS(X)                                                                            \
    X(mpv_create)                                                                                            \
    X(mpv_initialize)                                                                                        \
    X(mpv_terminate_destroy)                                                                                 \
    X(mpv_error_string)                                                                                      \
    X(mpv_set_option_string)                                                                                 \
    X(mpv_command)                                                                                           \
    X(mpv_command_ret)                                                                                       \
    X(mpv_command_async)                                                                                     \
    X(mpv_set_property)                                                                                      \
    X(mpv_set_property_string)                                                                               \
    X(mpv_set_property_async)                                                                                \
    X(mpv_get_property)                                                                                      \
    X(mpv_observe_property)                                                                                  \
    X(mpv_wait_event)                                                                                        \
    X(mpv_set_wakeup_callback)                                                                               \
    X(mpv_hook_add)                                                                                          \
    X(mpv_hook_continue)                                                                                     \
    X(mpv_free_node_contents)                                                                                \
    X(mpv_render_context_create)                                                                             \
    X(mpv_render_context_set_update_callback)                                                                \
    X(mpv_render_context_update)                                                                             \
    X(mpv_render_context_render)                                                                             \
    X(mpv_render_context_report_swap)                                                                        \
    X(mpv_render_context_free)

struct MpvApi {
#define KOVAPLEX_DECLARE(name) decltype(&::name) name = nullptr;
    KOVAPLEX_MPV_FUNCTIONS(KOVAPLEX_DECLARE)
#undef KOVAPLEX_DECLARE
    bool complete = false;
};

MpvApi loadApi()
{
    RuntimeLibrary library(LibraryName, Dependencies);
    MpvApi api;
#define KOVAPLEX_RESOLVE(name) library.resolve(#name, api.name);
    KOVAPLEX_MPV_FUNCTIONS(KOVAPLEX_RESOLVE)
#undef KOVAPLEX_RESOLVE
    api.complete = library.isComplete();
    if (!api.complete) {
        std::fprintf(stderr, "Kovaplex: cannot use %s: %s\n", LibraryName, library.failure().constData());
        library.close();
    }
    return api;
}

/// The library's functions, loaded on the first call; it stays for the run.
const MpvApi &library()
{
    static const MpvApi api = loadApi();
    return api;
}

} // namespace

// Only mpv_create and mpv_error_string may come first: every other function
// takes a handle or a render context, which only a loaded library made.

mpv_handle *mpv_create()
{
    return library().complete ? library().mpv_create() : nullptr;
}

const char *mpv_error_string(int error)
{
    return library().complete ? library().mpv_error_string(error) : "libmpv could not be loaded";
}

int mpv_initialize(mpv_handle *ctx)
{
    return library().mpv_initialize(ctx);
}

void mpv_terminate_destroy(mpv_handle *ctx)
{
    library().mpv_terminate_destroy(ctx);
}

int mpv_set_option_string(mpv_handle *ctx, const char *name, const char *data)
{
    return library().mpv_set_option_string(ctx, name, data);
}

int mpv_command(mpv_handle *ctx, const char **args)
{
    return library().mpv_command(ctx, args);
}

int mpv_command_ret(mpv_handle *ctx, const char **args, mpv_node *result)
{
    return library().mpv_command_ret(ctx, args, result);
}

int mpv_command_async(mpv_handle *ctx, uint64_t reply_userdata, const char **args)
{
    return library().mpv_command_async(ctx, reply_userdata, args);
}

int mpv_set_property(mpv_handle *ctx, const char *name, mpv_format format, void *data)
{
    return library().mpv_set_property(ctx, name, format, data);
}

int mpv_set_property_string(mpv_handle *ctx, const char *name, const char *data)
{
    return library().mpv_set_property_string(ctx, name, data);
}

int mpv_set_property_async(mpv_handle *ctx, uint64_t reply_userdata, const char *name, mpv_format format,
                           void *data)
{
    return library().mpv_set_property_async(ctx, reply_userdata, name, format, data);
}

int mpv_get_property(mpv_handle *ctx, const char *name, mpv_format format, void *data)
{
    return library().mpv_get_property(ctx, name, format, data);
}

int mpv_observe_property(mpv_handle *mpv, uint64_t reply_userdata, const char *name, mpv_format format)
{
    return library().mpv_observe_property(mpv, reply_userdata, name, format);
}

mpv_event *mpv_wait_event(mpv_handle *ctx, double timeout)
{
    return library().mpv_wait_event(ctx, timeout);
}

void mpv_set_wakeup_callback(mpv_handle *ctx, void (*cb)(void *d), void *d)
{
    library().mpv_set_wakeup_callback(ctx, cb, d);
}

int mpv_hook_add(mpv_handle *ctx, uint64_t reply_userdata, const char *name, int priority)
{
    return library().mpv_hook_add(ctx, reply_userdata, name, priority);
}

int mpv_hook_continue(mpv_handle *ctx, uint64_t id)
{
    return library().mpv_hook_continue(ctx, id);
}

void mpv_free_node_contents(mpv_node *node)
{
    library().mpv_free_node_contents(node);
}

int mpv_render_context_create(mpv_render_context **res, mpv_handle *mpv, mpv_render_param *params)
{
    return library().mpv_render_context_create(res, mpv, params);
}

void mpv_render_context_set_update_callback(mpv_render_context *ctx, mpv_render_update_fn callback,
                                            void *callback_ctx)
{
    library().mpv_render_context_set_update_callback(ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context *ctx)
{
    return library().mpv_render_context_update(ctx);
}

int mpv_render_context_render(mpv_render_context *ctx, mpv_render_param *params)
{
    return library().mpv_render_context_render(ctx, params);
}

void mpv_render_context_report_swap(mpv_render_context *ctx)
{
    library().mpv_render_context_report_swap(ctx);
}

void mpv_render_context_free(mpv_render_context *ctx)
{
    library().mpv_render_context_free(ctx);
}
