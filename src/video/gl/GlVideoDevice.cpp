// The video device on OpenGL 3.3 core, on the SDL window's context. Every sprite is one
// triangle strip of a static quad; the fourteen shading modes are fourteen small programs.
// Render targets are drawn upside down so that, like uploaded pictures, their first row is
// the top of the picture when sampled.
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "video/VideoDevice.h"

#include <SDL.h>
#include <algorithm>
#include <array>
#include <cstring>
#include <epoxy/gl.h>
#include <string>

namespace valdmoor::gl {

namespace {

constexpr int32_t ShadingModes = 14;
constexpr int32_t Stages = 4;

// Texture coordinates of the unit quad's corners (top-left, top-right, bottom-left,
// bottom-right) for the seven orientations; 0 and 1 are nudged as the quads always were.
constexpr float Lo = 0.00001f;
constexpr float Hi = 1.00001f;
constexpr float Orientations[7][4][2] = {
    {{Lo, Lo}, {Hi, Lo}, {Lo, Hi}, {Hi, Hi}}, // as is
    {{Lo, Hi}, {Lo, Lo}, {Hi, Hi}, {Hi, Lo}}, // turned 90 degrees clockwise
    {{Hi, Hi}, {Lo, Hi}, {Hi, Lo}, {Lo, Lo}}, // turned 180 degrees
    {{Hi, Lo}, {Hi, Hi}, {Lo, Lo}, {Lo, Hi}}, // turned 90 degrees counter-clockwise
    {{Hi, Lo}, {Lo, Lo}, {Hi, Hi}, {Lo, Hi}}, // mirrored left-right
    {{Hi, Hi}, {Hi, Lo}, {Lo, Hi}, {Lo, Lo}}, // mirrored about the rising diagonal
    {{Lo, Hi}, {Hi, Hi}, {Lo, Lo}, {Hi, Lo}}, // mirrored top-bottom
};
constexpr float Corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};

// Texture coordinates each mode's vertex program passes on.
constexpr int ModeCoordinates[ShadingModes] = {1, 0, 1, 1, 2, 3, 4, 2, 2, 2, 2, 2, 4, 2};

// What each pixel program computes, from the samples t0..t3 of the layers, the premultiplied
// tint c0 and the sprite parameter c1.w.
constexpr const char* ModeBodies[ShadingModes] = {
    "r = t0() * c0;",
    "r = c0;",
    "vec4 t = t0() * c0; r = vec4(vec3(dot(t.rgb, vec3(0.3125, 0.4375, 0.25))), t.a);",
    "vec4 t = t0() * c0; r = vec4(vec3(dot(t.rgb, vec3(0.3125, 0.4375, 0.25))) * vec3(1.0, 0.9, "
    "0.7), t.a);",
    "r = over(t1(), t0() * c0);",
    "r = over(t2(), over(t1(), t0() * c0));",
    "r = over(t3(), over(t2(), over(t1(), t0() * c0)));",
    "vec4 a = t0(); r = vec4(a.rgb * t1().rgb, a.a) * c0;",
    "r = t0() * t1() * c0;",
    "r = t0() * c0 * t1().a;",
    "r = t0() * c0 * (1.0 - t1().a);",
    "vec4 a = t0(); r = (a + (t1() - a) * c1.w) * c0;",
    "float m = clamp(c0.a * t1().a + t0().a, 0.0, 1.0); r = over(t3(), t2()) * m;",
    "vec4 i = over(t1(), t0() * c0); float g = dot(i.rgb, vec3(0.2344, 0.3281, 0.1875)); "
    "r = vec4(vec3(g) + (i.rgb - vec3(g)) * c1.w, i.a);",
};

std::string VertexSource(int coordinates) {
    std::string source = "#version 330 core\n"
                         "layout(location = 0) in vec2 position;\n"
                         "layout(location = 1) in vec2 uv;\n"
                         "uniform vec4 vc[11];\n";
    for (int i = 0; i < coordinates; ++i) {
        source += "out vec2 uv" + std::to_string(i) + ";\n";
    }
    source += "void main() {\n"
              "    float x = vc[9].x * position.x + vc[9].y * position.y + vc[9].z;\n"
              "    float y = vc[10].x * position.x + vc[10].y * position.y + vc[10].z;\n"
              "    gl_Position = vec4(x * vc[8].x, y * vc[8].y, 0.0, 1.0);\n";
    for (int i = 0; i < coordinates; ++i) {
        const std::string n = std::to_string(i);
        source += "    uv" + n + " = uv * vc[" + n + "].xy + vc[" + n + "].zw;\n";
    }
    return source + "}\n";
}

std::string FragmentSource(int mode) {
    std::string source = "#version 330 core\n"
                         "uniform sampler2D s0, s1, s2, s3;\n"
                         "uniform vec4 pc[2];\n"
                         "out vec4 color;\n"
                         "vec4 over(vec4 a, vec4 b) { return a + b * (1.0 - a.a); }\n";
    for (int i = 0; i < ModeCoordinates[mode]; ++i) {
        const std::string n = std::to_string(i);
        source += "in vec2 uv" + n + ";\nvec4 t" + n + "() { return texture(s" + n + ", uv" + n +
                  "); }\n";
    }
    source += "void main() {\n"
              "    vec4 c0 = pc[0];\n"
              "    vec4 c1 = pc[1];\n"
              "    vec4 r;\n    ";
    source += ModeBodies[mode];
    // Fully transparent pixels leave the target untouched, whatever the blending.
    source += "\n    if (r.a <= 0.0) discard;\n"
              "    color = r;\n"
              "}\n";
    return source;
}

struct TFormatInfo {
    GLint Internal;
    GLenum Format;
    GLenum Type;
    GLint Swizzle[4];
};

// Picture formats on GL textures. One- and two-channel formats sample as the widened formats
// the texture code falls back to, so both paths show the same picture. GL_RGB565 is core only
// from OpenGL 4.1; without it 16-bit pixels are kept in an 8-bit-per-channel store.
bool FormatInfo(TPixelFormat format, bool hasRgb565, TFormatInfo& info) {
    switch (format) {
        case pfA8R8G8B8:
            info = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
            return true;
        case pfX8R8G8B8:
            info = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
            return true;
        case pfR5G6B5:
            info = {hasRgb565 ? GL_RGB565 : GL_RGB8,
                    GL_RGB,
                    GL_UNSIGNED_SHORT_5_6_5,
                    {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
            return true;
        case pfA8:
            info = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ONE, GL_ONE, GL_ONE, GL_RED}};
            return true;
        case pfL8:
            info = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}};
            return true;
        case pfA8L8:
            info = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}};
            return true;
        default:
            return false;
    }
}

class TGlTexture : public TGpuTexture {
public:
    TGlTexture(int32_t width, int32_t height, TPixelFormat format, bool renderTarget)
        : width_(width), height_(height), format_(format), renderTarget_(renderTarget) {
        glGenTextures(1, &name_);
    }
    ~TGlTexture() override {
        if (framebuffer_ != 0) {
            glDeleteFramebuffers(1, &framebuffer_);
        }
        glDeleteTextures(1, &name_);
    }
    TGlTexture(const TGlTexture&) = delete;
    TGlTexture& operator=(const TGlTexture&) = delete;

    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    TPixelFormat Format() const override { return format_; }
    bool RenderTarget() const override { return renderTarget_; }

    GLuint Name() const { return name_; }
    GLuint Framebuffer() const { return framebuffer_; }
    // Makes the texture drawable; false when the system cannot draw into it.
    bool AttachFramebuffer() {
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name_, 0);
        return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }

private:
    int32_t width_;
    int32_t height_;
    TPixelFormat format_;
    bool renderTarget_;
    GLuint name_ = 0;
    GLuint framebuffer_ = 0;
};

// Errors are sticky until read: one left by earlier work (a tool's own drawing, a call that
// was not checked) must not fail the next checked call. Bounded, as a lost context may
// report errors for ever.
void ClearGlErrors() {
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

[[noreturn]] void Fail(int32_t kind, const std::string& message) {
    ReportErrorKind(kind);
    throw EngineError(message);
}

// Deleting the context frees every GL object made on it, also after a failed start.
struct TContext {
    SDL_GLContext Handle = nullptr;
    TContext() = default;
    TContext(const TContext&) = delete;
    TContext& operator=(const TContext&) = delete;
    ~TContext() {
        if (Handle != nullptr) {
            SDL_GL_DeleteContext(Handle);
        }
    }
};

class TGlVideoDevice : public TVideoDevice {
public:
    TGlVideoDevice() {
        TWindowBackend* backend = WindowBackend();
        window_ = backend != nullptr ? static_cast<SDL_Window*>(backend->NativeHandle()) : nullptr;
        if (window_ == nullptr || (SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL) == 0) {
            Fail(ekSystemRequirements, "Failed to create OpenGL 3.3 context (the window cannot "
                                       "draw with OpenGL)");
        }
        context_.Handle = SDL_GL_CreateContext(window_);
        if (context_.Handle == nullptr) {
            Fail(ekSystemRequirements,
                 std::string("Failed to create OpenGL 3.3 context (") + SDL_GetError() + ")");
        }
        SDL_GL_MakeCurrent(window_, context_.Handle);
        if (epoxy_gl_version() < 33) {
            Fail(ekSystemRequirements, "OpenGL 3.3 is not available (the system offers " +
                                           std::to_string(epoxy_gl_version() / 10) + "." +
                                           std::to_string(epoxy_gl_version() % 10) + ")");
        }
        // Without "-showfps" frames wait for the display's refresh.
        SDL_GL_SetSwapInterval(SwitchShowFps() ? 0 : 1);
        TexturePow2Only = false;
        HasA8 = HasL8 = HasA8L8 = true;
        HasR5G6B5 = epoxy_gl_version() >= 41 || epoxy_has_gl_extension("GL_ARB_ES2_compatibility");
        // A new surface starts with a viewport of its own size.
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        surfaceWidth_ = viewport[2];
        surfaceHeight_ = viewport[3];
        CreateQuads();
        CreatePrograms();
        CreateSamplers();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
    }

    ~TGlVideoDevice() override {
        SDL_GL_MakeCurrent(window_, context_.Handle);
        captureTarget_.reset();
        snapshot_.reset();
        for (GLuint program : programs_) {
            glDeleteProgram(program);
        }
        glDeleteSamplers(2, samplers_.data());
        glDeleteBuffers(1, &quadBuffer_);
        glDeleteVertexArrays(1, &quadArray_);
    }

    std::unique_ptr<TGpuTexture> CreateTexture(int32_t width, int32_t height, TPixelFormat format,
                                               const void* pixels, int32_t pitch) override {
        TFormatInfo info{};
        const int32_t bytes = FormatBytes(format);
        if (!FormatInfo(format, HasR5G6B5, info) || width <= 0 || height <= 0 || bytes == 0 ||
            pitch < width * bytes || pitch % bytes != 0) {
            return nullptr;
        }
        ClearGlErrors();
        auto texture = std::make_unique<TGlTexture>(width, height, format, false);
        glBindTexture(GL_TEXTURE_2D, texture->Name());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / bytes);
        glTexImage2D(GL_TEXTURE_2D, 0, info.Internal, width, height, 0, info.Format, info.Type,
                     pixels);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, info.Swizzle);
        const bool ok = glGetError() == GL_NO_ERROR;
        glBindTexture(GL_TEXTURE_2D, 0);
        bound_.fill(nullptr);
        return ok ? std::move(texture) : nullptr;
    }

    std::unique_ptr<TGpuTexture> CreateRenderTarget(int32_t width, int32_t height,
                                                    TPixelFormat format) override {
        TFormatInfo info{};
        if (!FormatInfo(format, HasR5G6B5, info) || width <= 0 || height <= 0) {
            return nullptr;
        }
        ClearGlErrors();
        auto texture = std::make_unique<TGlTexture>(width, height, format, true);
        glBindTexture(GL_TEXTURE_2D, texture->Name());
        glTexImage2D(GL_TEXTURE_2D, 0, info.Internal, width, height, 0, info.Format, info.Type,
                     nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, info.Swizzle);
        glBindTexture(GL_TEXTURE_2D, 0);
        bound_.fill(nullptr);
        const bool ok = texture->AttachFramebuffer();
        if (ok) {
            glDisable(GL_SCISSOR_TEST);
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return ok && glGetError() == GL_NO_ERROR ? std::move(texture) : nullptr;
    }

    void Resize(int32_t width, int32_t height) override {
        width_ = width;
        height_ = height;
    }

    bool CheckDevice() override { return true; }

    bool BeginFrame(bool capture) override {
        MakeCurrent();
        // The frame's own calls decide whether it was drawn.
        ClearGlErrors();
        capturing_ = capture;
        if (capture) {
            // An even width, as the 16-bit picture rows want.
            const int32_t width = width_ + (width_ % 2);
            if (captureTarget_ == nullptr || captureTarget_->Width() != width ||
                captureTarget_->Height() != height_) {
                captureTarget_ = CreateRenderTarget(width, height_, pfA8R8G8B8);
            }
            if (captureTarget_ == nullptr) {
                capturing_ = false;
                return false;
            }
        }
        glBindVertexArray(quadArray_);
        glEnable(GL_BLEND);
        program_ = 0;
        bound_.fill(nullptr);
        return true;
    }

    void SetRenderTarget(TGpuTexture* target, int32_t width, int32_t height) override {
        const auto* texture = static_cast<const TGlTexture*>(target);
        if (texture == nullptr && capturing_) {
            texture = static_cast<const TGlTexture*>(captureTarget_.get());
        }
        flip_ = texture != nullptr;
        glBindFramebuffer(GL_FRAMEBUFFER, texture != nullptr ? texture->Framebuffer() : 0);
        if (texture == nullptr) {
            SDL_GL_GetDrawableSize(window_, &width, &height);
        }
        glViewport(0, 0, width, height);
        targetHeight_ = height;
        glDisable(GL_SCISSOR_TEST);
    }

    void SetClip(int32_t x, int32_t y, int32_t width, int32_t height) override {
        if (width <= 0) {
            glDisable(GL_SCISSOR_TEST);
            return;
        }
        // Render targets are drawn upside down: their top row is the framebuffer's first.
        glScissor(x, flip_ ? y : targetHeight_ - y - height, width, std::max(height, 0));
        glEnable(GL_SCISSOR_TEST);
    }

    void Clear(uint32_t argb) override {
        glClearColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(argb & 0xFF) / 255.0f,
                     static_cast<float>(argb >> 24) / 255.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void SetBlendMode(int32_t mode) override {
        if (mode == 1) {
            glBlendFunc(GL_ZERO, GL_SRC_COLOR);
        } else {
            glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        }
    }

    void SetShadingMode(int32_t mode) override {
        if (mode < 0 || mode >= ShadingModes) {
            mode = 0;
        }
        mode_ = mode;
        if (programs_[static_cast<std::size_t>(mode)] != program_) {
            program_ = programs_[static_cast<std::size_t>(mode)];
            glUseProgram(program_);
        }
    }

    void SetOrientation(int32_t orientation) override {
        orientation_ = orientation >= 0 && orientation < 7 ? orientation : 0;
    }

    void BindTexture(int32_t stage, const TGpuTexture* texture) override {
        if (stage < 0 || stage >= Stages) {
            return;
        }
        const auto* gl = static_cast<const TGlTexture*>(texture);
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(stage));
        glBindTexture(GL_TEXTURE_2D, gl != nullptr ? gl->Name() : 0);
        bound_[static_cast<std::size_t>(stage)] = gl;
    }

    void SetFilter(int32_t stage, bool linear) override {
        if (stage >= 0 && stage < Stages) {
            glBindSampler(static_cast<GLuint>(stage), samplers_[linear ? 1 : 0]);
        }
    }

    void DrawQuad(const TSpriteConstants& constants) override {
        const auto mode = static_cast<std::size_t>(mode_);
        if (flip_) {
            TSpriteConstants flipped = constants;
            flipped.Vertex[8][1] = -flipped.Vertex[8][1];
            glUniform4fv(vertexConstants_[mode], 11, &flipped.Vertex[0][0]);
        } else {
            glUniform4fv(vertexConstants_[mode], 11, &constants.Vertex[0][0]);
        }
        glUniform4fv(pixelConstants_[mode], 2, &constants.Pixel[0][0]);
        glDrawArrays(GL_TRIANGLE_STRIP, orientation_ * 4, 4);
    }

    bool EndFrame(TCaptureImage* capture) override {
        for (int32_t s = 0; s < Stages; ++s) {
            BindTexture(s, nullptr);
        }
        glUseProgram(0);
        program_ = 0;
        bool ok = true;
        if (capturing_ && capture != nullptr) {
            ok = ReadBack(*capture);
        } else if (!capturing_) {
            SDL_GL_SwapWindow(window_);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        capturing_ = false;
        return ok && glGetError() == GL_NO_ERROR;
    }

    void Finish() override { glFinish(); }

    void DrawnSize(int32_t& width, int32_t& height) override {
        SDL_GL_GetDrawableSize(window_, &width, &height);
        // Windows of SDL's offscreen driver keep the surface they were created with, whatever
        // size the window has since.
        if (SDL_GetCurrentVideoDriver() != nullptr &&
            std::strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0) {
            width = std::min(width, surfaceWidth_);
            height = std::min(height, surfaceHeight_);
        }
    }

    void PresentImage(const TCaptureImage& image) override {
        if (image.Width <= 0 || image.Height <= 0 ||
            image.Rgba.size() != static_cast<std::size_t>(image.Width) * image.Height * 4) {
            return;
        }
        MakeCurrent();
        // Every picture is uploaded: a later snapshot of the same size is a different picture.
        if (snapshot_ == nullptr || snapshot_->Width() != image.Width ||
            snapshot_->Height() != image.Height) {
            snapshot_ =
                CreateTexture(image.Width, image.Height, pfX8R8G8B8, nullptr, image.Width * 4);
        }
        if (snapshot_ == nullptr) {
            return;
        }
        glBindTexture(GL_TEXTURE_2D, static_cast<const TGlTexture*>(snapshot_.get())->Name());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image.Width, image.Height, GL_RGBA,
                        GL_UNSIGNED_BYTE, image.Rgba.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        BeginFrame(false);
        SetRenderTarget(nullptr, width_, height_);
        Clear(0xFF000000u);
        SetBlendMode(0);
        SetShadingMode(0);
        SetOrientation(0);
        BindTexture(0, snapshot_.get());
        SetFilter(0, true);
        TSpriteConstants c{};
        c.Vertex[0][0] = c.Vertex[0][1] = 1; // the whole picture
        c.Vertex[8][0] = 1;
        c.Vertex[8][1] = -1;
        c.Vertex[8][3] = 1;
        c.Vertex[9][0] = 2; // a quad of two units over a canvas two units wide
        c.Vertex[10][1] = 2;
        c.Pixel[0][0] = c.Pixel[0][1] = c.Pixel[0][2] = c.Pixel[0][3] = 1;
        DrawQuad(c);
        EndFrame(nullptr);
    }

private:
    // Tools may draw with other contexts in between frames.
    void MakeCurrent() {
        if (SDL_GL_GetCurrentContext() != context_.Handle) {
            SDL_GL_MakeCurrent(window_, context_.Handle);
        }
    }

    void CreateQuads() {
        std::array<float, 7 * 4 * 4> vertices{};
        std::size_t at = 0;
        for (const auto& orientation : Orientations) {
            for (int corner = 0; corner < 4; ++corner) {
                vertices[at++] = Corners[corner][0];
                vertices[at++] = Corners[corner][1];
                vertices[at++] = orientation[corner][0];
                vertices[at++] = orientation[corner][1];
            }
        }
        ClearGlErrors();
        glGenVertexArrays(1, &quadArray_);
        glBindVertexArray(quadArray_);
        glGenBuffers(1, &quadBuffer_);
        glBindBuffer(GL_ARRAY_BUFFER, quadBuffer_);
        glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                              reinterpret_cast<const void*>(2 * sizeof(float)));
        if (glGetError() != GL_NO_ERROR) {
            Fail(ekGeneral, "Failed to setup vertex buffers");
        }
    }

    static GLuint Compile(GLenum kind, const std::string& source, const char* failure) {
        const GLuint shader = glCreateShader(kind);
        const char* text = source.c_str();
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        GLint ok = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (ok == 0) {
            char log[1024] = {};
            glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
            glDeleteShader(shader);
            LogMessage(log);
            Fail(ekGeneral, failure);
        }
        return shader;
    }

    void CreatePrograms() {
        std::array<GLuint, 5> vertexShaders{};
        for (int i = 0; i < 5; ++i) {
            vertexShaders[static_cast<std::size_t>(i)] =
                Compile(GL_VERTEX_SHADER, VertexSource(i), "Failed to setup vertex shaders");
        }
        for (int mode = 0; mode < ShadingModes; ++mode) {
            const GLuint fragment =
                Compile(GL_FRAGMENT_SHADER, FragmentSource(mode), "Failed to setup pixel shaders");
            const GLuint program = glCreateProgram();
            glAttachShader(program, vertexShaders[static_cast<std::size_t>(ModeCoordinates[mode])]);
            glAttachShader(program, fragment);
            glLinkProgram(program);
            glDeleteShader(fragment);
            GLint ok = 0;
            glGetProgramiv(program, GL_LINK_STATUS, &ok);
            if (ok == 0) {
                glDeleteProgram(program);
                Fail(ekGeneral, "Failed to setup pixel shaders");
            }
            const auto m = static_cast<std::size_t>(mode);
            programs_[m] = program;
            vertexConstants_[m] = glGetUniformLocation(program, "vc");
            pixelConstants_[m] = glGetUniformLocation(program, "pc");
            glUseProgram(program);
            for (int s = 0; s < Stages; ++s) {
                const std::string sampler = "s" + std::to_string(s);
                glUniform1i(glGetUniformLocation(program, sampler.c_str()), s);
            }
        }
        glUseProgram(0);
        for (GLuint shader : vertexShaders) {
            glDeleteShader(shader);
        }
    }

    void CreateSamplers() {
        glGenSamplers(2, samplers_.data());
        for (int i = 0; i < 2; ++i) {
            const GLint filter = i == 0 ? GL_NEAREST : GL_LINEAR;
            const GLuint sampler = samplers_[static_cast<std::size_t>(i)];
            glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
            glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
            glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }

    bool ReadBack(TCaptureImage& capture) {
        const auto* target = static_cast<const TGlTexture*>(captureTarget_.get());
        glBindFramebuffer(GL_FRAMEBUFFER, target->Framebuffer());
        capture.Width = target->Width();
        capture.Height = target->Height();
        const std::size_t pixels =
            static_cast<std::size_t>(capture.Width) * static_cast<std::size_t>(capture.Height);
        capture.Rgba.resize(pixels * 4);
        glReadPixels(0, 0, capture.Width, capture.Height, GL_RGBA, GL_UNSIGNED_BYTE,
                     capture.Rgba.data());
        capture.Pixels.resize(pixels);
        for (std::size_t i = 0; i < pixels; ++i) {
            const uint8_t* p = &capture.Rgba[i * 4];
            capture.Pixels[i] =
                static_cast<uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
        }
        return true;
    }

    TContext context_; // first, so that it goes last
    SDL_Window* window_ = nullptr;
    GLuint quadArray_ = 0;
    GLuint quadBuffer_ = 0;
    std::array<GLuint, ShadingModes> programs_{};
    std::array<GLint, ShadingModes> vertexConstants_{};
    std::array<GLint, ShadingModes> pixelConstants_{};
    std::array<GLuint, 2> samplers_{};
    std::array<const TGlTexture*, Stages> bound_{};
    GLuint program_ = 0;
    int32_t mode_ = 0;
    int32_t orientation_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t surfaceWidth_ = 0;
    int32_t surfaceHeight_ = 0;
    int32_t targetHeight_ = 0;
    bool capturing_ = false;
    bool flip_ = false;
    std::unique_ptr<TGpuTexture> captureTarget_;
    std::unique_ptr<TGpuTexture> snapshot_;
};

} // namespace

} // namespace valdmoor::gl

namespace valdmoor {

std::unique_ptr<TVideoDevice> CreateGlVideoDevice() {
    return std::make_unique<gl::TGlVideoDevice>();
}

} // namespace valdmoor
