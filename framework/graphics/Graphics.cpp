// The graphics context: opening and ending the display, the current graphics, Flip and its pacing.
#include "framework/graphics/Graphics.h"

#include "framework/graphics/Draw2DGraphics.h"
#include "framework/graphics/GLDriver.h"
#include "framework/graphics/Recording.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Memory.h"
#include "framework/system/Report.h"

#include <cstdlib>
#include <exception>
#include <utility>
#include <vector>

namespace {

// Raw graphics: the size and mode asked for, and what closes the surface behind them.
class TRawGraphics : public TGraphics {
public:
    TRawGraphics(std::shared_ptr<TGLContextProvider> provider, int32_t width, int32_t height, int32_t depth,
                 int32_t hertz, int32_t flags)
        : _provider(std::move(provider)), _width(width), _height(height), _depth(depth), _hertz(hertz), _flags(flags)
    {
    }
    void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz, int32_t& flags) override
    {
        width = _width;
        height = _height;
        depth = _depth;
        hertz = _hertz;
        flags = _flags;
    }
    void Close() override
    {
        if (_provider) _provider->Close();
        _provider.reset();
    }

private:
    std::shared_ptr<TGLContextProvider> _provider;
    int32_t _width, _height, _depth, _hertz, _flags;
};

struct TFlipHook {
    int32_t id = 0;
    std::function<void()> run;
};

struct TGraphicsModule {
    std::shared_ptr<TGLContextProvider> provider;
    std::shared_ptr<TDraw2DGraphics> current;
    std::shared_ptr<TDraw2DGraphics> exclusive;
    int32_t width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
    bool soft_sync = false, hard_sync = false;
    int32_t sync_rate = 0, sync_period = 0, sync_frac = 0, sync_accum = 0, sync_time = 0;
    bool exit_registered = false;
    std::vector<TFlipHook> pre_flip_hooks;
    std::vector<TFlipHook> post_flip_hooks;
    int32_t last_hook_id = 0;
};

TGraphicsModule& Module()
{
    static TGraphicsModule module;
    return module;
}

// Kept apart from the module and trivially destructible: frames destroyed at exit still ask it.
int32_t& GraphicsSeqStorage()
{
    static int32_t graphics_seq = 0;
    return graphics_seq;
}

void BumpGraphicsSeq()
{
    int32_t& seq = GraphicsSeqStorage();
    // Wraps past -1 to 1: 0 means "no frame made" to the images.
    seq = static_cast<int32_t>(static_cast<uint32_t>(seq) + 1u);
    if (seq == 0) seq = 1;
}

void ClearCurrentGraphics()
{
    auto& m = Module();
    if (m.current) {
        TDraw2DGraphics::ClearCurrent();
        TGLDraw2DDriver::Instance()->Detach();
    }
    m.current.reset();
    m.width = m.height = m.depth = m.hertz = m.flags = 0;
}

// Makes graphics current: settings first, so the drawing state's validation sees the new size.
void MakeGraphicsCurrent(const std::shared_ptr<TDraw2DGraphics>& graphics, TGLContextProvider* gl)
{
    auto& m = Module();
    m.current = graphics;
    graphics->GetSettings(m.width, m.height, m.depth, m.hertz, m.flags);
    if (gl) TGLDraw2DDriver::Instance()->ResetGLContext(gl, m.width, m.height);
    graphics->MakeCurrent();
}

void CloseGraphics(std::shared_ptr<TDraw2DGraphics> graphics)
{
    auto& m = Module();
    if (graphics == m.exclusive) m.exclusive.reset();
    if (graphics == m.current) ClearCurrentGraphics();
    graphics->Close();
}

// Vertical blank or timer, from what the display offers now.
void StartPacing(int32_t depth, int32_t hertz, bool can_hard_sync)
{
    auto& m = Module();
    m.soft_sync = false;
    m.hard_sync = false;
    if (depth != 0) {
        // Full screen paces on the vertical blank only where the display really runs at hertz.
        m.hard_sync = hertz > 0 && can_hard_sync;
        m.soft_sync = hertz > 0 && !can_hard_sync;
    } else {
        m.soft_sync = hertz > 0;
    }
    if (m.soft_sync) {
        m.sync_rate = hertz;
        m.sync_period = 1000 / hertz;
        m.sync_frac = 1000 - m.sync_period * hertz;
        m.sync_accum = 0;
        m.sync_time = CurrentMillisecs();
    }
}

// Pacing and input for freshly opened exclusive graphics.
void StartExclusive(const std::shared_ptr<TDraw2DGraphics>& graphics, int32_t width, int32_t height, int32_t depth,
                    int32_t hertz, bool can_hard_sync)
{
    auto& m = Module();
    StartPacing(depth, hertz, can_hard_sync);
    if (depth != 0) MoveMouse(width / 2, height / 2);
    FlushInputState();
    m.exclusive = graphics;
    if (!m.exit_registered) {
        m.exit_registered = true;
        // Everything EndGraphics touches must be made before it is registered, so that it is
        // destroyed only after EndGraphics has run at exit.
        TGLDraw2DDriver::Instance();
        std::atexit(EndGraphics);
    }
}

void RunHooks(const std::vector<TFlipHook>& hooks)
{
    // A copy: a hook may add or remove hooks, which takes effect from the next Flip on.
    const auto running = hooks;
    for (const auto& hook : running) hook.run();
}

int32_t AddHook(std::vector<TFlipHook>& hooks, std::function<void()> run)
{
    const int32_t id = ++Module().last_hook_id;
    hooks.push_back({id, std::move(run)});
    return id;
}

}  // namespace

void SetGLContextProvider(std::shared_ptr<TGLContextProvider> provider) { Module().provider = std::move(provider); }

TGraphicsPtr OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags)
{
    EndGraphics();
    auto& m = Module();
    if (!m.provider) return nullptr;
    const int32_t all_flags = flags | GFX_BACKBUFFER;
    std::shared_ptr<TDraw2DGraphics> graphics;
    try {
        if (!m.provider->Open(width, height, depth, hertz, all_flags)) return nullptr;
        auto raw = std::make_shared<TRawGraphics>(m.provider, width, height, depth, hertz, all_flags);
        graphics = TDraw2DGraphics::Create(raw, TGLDraw2DDriver::Instance());
    } catch (const std::exception& e) {
        ReportProblem(std::string("cannot open graphics: ") + e.what());
        m.provider->Close();
        return nullptr;
    }
    BumpGraphicsSeq();
    MakeGraphicsCurrent(graphics, m.provider.get());
    StartExclusive(graphics, width, height, depth, hertz, depth != 0 && hertz > 0 && m.provider->CanHardSync(hertz));
    return graphics;
}

TGraphicsPtr OpenRecordingGraphics(int32_t width, int32_t height, std::shared_ptr<TRecordingDriver> driver)
{
    EndGraphics();
    if (!driver) return nullptr;
    // A 60 Hz window: Flip paces with the clock exactly as a headless run does.
    constexpr int32_t hertz = 60;
    auto raw = std::make_shared<TRawGraphics>(nullptr, width, height, 0, hertz, GFX_BACKBUFFER);
    auto graphics = TDraw2DGraphics::Create(raw, driver);
    BumpGraphicsSeq();
    MakeGraphicsCurrent(graphics, nullptr);
    StartExclusive(graphics, width, height, 0, hertz, false);
    return graphics;
}

void EndGraphics()
{
    auto& m = Module();
    if (!m.exclusive) return;
    BumpGraphicsSeq();
    CloseGraphics(m.exclusive);
}

int32_t GraphicsWidth() { return Module().width; }

int32_t GraphicsHeight() { return Module().height; }

int32_t GraphicsDepth() { return Module().depth; }

int32_t GraphicsHertz() { return Module().hertz; }

TDraw2DDriver* CurrentDraw2DDriver()
{
    auto* graphics = TDraw2DGraphics::Current();
    return graphics ? graphics->Driver() : nullptr;
}

int32_t GraphicsSeq() { return GraphicsSeqStorage(); }

void ReserveDrawingMemory()
{
    if (TDraw2DDriver* driver = CurrentDraw2DDriver()) driver->ReserveMemory();
}

void ReturnFreedMemoryButDrawingReserve()
{
    TDraw2DDriver* driver = CurrentDraw2DDriver();
    if (driver) driver->HoldReserve(true);
    ReturnFreedMemory();
    if (driver) driver->HoldReserve(false);
}

void Flip(int32_t sync)
{
    auto& m = Module();
    TDraw2DDriver* driver = CurrentDraw2DDriver();
    // The hooks read the finished frame.
    if (driver) driver->FinishFrame();
    RunHooks(m.pre_flip_hooks);
    if (driver) {
        if (sync != -1) {
            driver->Flip(sync != 0);
        } else if (m.current != m.exclusive) {
            driver->Flip(true);
        } else if (m.soft_sync) {
            m.sync_time += m.sync_period;
            m.sync_accum += m.sync_frac;
            if (m.sync_accum >= m.sync_rate) {
                m.sync_accum -= m.sync_rate;
                m.sync_time += 1;
            }
            const int32_t now = CurrentMillisecs();
            const int32_t dt = static_cast<int32_t>(static_cast<uint32_t>(m.sync_time) - static_cast<uint32_t>(now));
            // A late frame is not caught up: the next one starts its period from now.
            if (dt > 0) {
                SleepMillisecs(dt);
            } else {
                m.sync_time = now;
            }
            driver->Flip(false);
        } else {
            driver->Flip(m.hard_sync);
        }
        // The player switched between window and full screen during this present.
        if (m.provider && m.current == m.exclusive && m.provider->TakePacingChange())
            StartPacing(m.depth, m.hertz, m.depth != 0 && m.hertz > 0 && m.provider->CanHardSync(m.hertz));
    }
    RunHooks(m.post_flip_hooks);
}

int32_t AddFlipHook(std::function<void()> hook) { return AddHook(Module().pre_flip_hooks, std::move(hook)); }

int32_t AddPostFlipHook(std::function<void()> hook) { return AddHook(Module().post_flip_hooks, std::move(hook)); }

void RemoveFlipHook(int32_t id)
{
    for (auto* hooks : {&Module().pre_flip_hooks, &Module().post_flip_hooks})
        std::erase_if(*hooks, [id](const TFlipHook& hook) { return hook.id == id; });
}

void ClearFlipHooks()
{
    Module().pre_flip_hooks.clear();
    Module().post_flip_hooks.clear();
}
