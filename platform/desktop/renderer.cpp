// The renderer: an orthographic 800 x 600 picture, origin top-left, drawn into an
// offscreen colour buffer and shown letterboxed in the window. Quads and lines collect in
// one vertex batch that is drawn only when the texture, blend mode or primitive changes,
// or the frame ends; the batch streams through a ring in one vertex buffer.
#include <epoxy/gl.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core.h"
#include "stats.h"

namespace desktop {
namespace {

// 16-bit indices reach every vertex of a full batch.
constexpr std::size_t kBatchQuads = 16384;
constexpr std::size_t kBatchVertices = kBatchQuads * 4;
// The vertex buffer is a ring of segments of one full batch each. A segment is written again
// only once the draws that read it last time are done (a fence each), so the buffer is never
// reallocated and the driver never copies it.
constexpr std::size_t kSegments = 4;
constexpr std::size_t kRingVertices = kBatchVertices * kSegments;

enum class Primitive { Quads, Lines };

struct Renderer {
    bool started = false;
    bool inScene = false;
    GLuint program = 0;
    GLint texturedLocation = -1;
    GLint colourAddLocation = -1;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;

    std::vector<Vertex> batch;
    std::size_t count = 0;
    Primitive primitive = Primitive::Quads;
    HTexture texture = 0;
    std::int32_t blend = BLEND_DEFAULT;
    std::size_t segment = 0;
    std::size_t segmentUsed = 0;  // vertices written into the current segment
    GLsync fences[kSegments] = {};

    FrameStats current;
    FrameStats last;
};

Renderer& renderer() {
    static Renderer& r = *new Renderer;
    return r;
}

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec4 colour;  // the bytes of 0xAARRGGBB in memory: B, G, R, A
layout(location = 2) in vec2 uv;
out vec4 vColour;
out vec2 vUv;
void main() {
    gl_Position = vec4(position.x / 400.0 - 1.0, 1.0 - position.y / 300.0, 0.0, 1.0);
    vColour = colour.bgra;
    vUv = uv;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
uniform sampler2D picture;
uniform bool textured;
uniform bool colourAdd;
out vec4 fragColour;
void main() {
    if (!textured) {
        fragColour = vColour;
        return;
    }
    vec4 t = texture(picture, vUv);
    fragColour = colourAdd ? vec4(t.rgb + vColour.rgb, t.a * vColour.a) : t * vColour;
}
)";

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        glGetShaderInfoLog(shader, sizeof text, nullptr, text);
        logf("Renderer: shader does not compile: %s", text);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool buildProgram(Renderer& r) {
    const GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) {
        glDeleteShader(vs);
        glDeleteShader(fs);
        return false;
    }
    r.program = glCreateProgram();
    glAttachShader(r.program, vs);
    glAttachShader(r.program, fs);
    glLinkProgram(r.program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(r.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        glGetProgramInfoLog(r.program, sizeof text, nullptr, text);
        logf("Renderer: shaders do not link: %s", text);
        return false;
    }
    r.texturedLocation = glGetUniformLocation(r.program, "textured");
    r.colourAddLocation = glGetUniformLocation(r.program, "colourAdd");
    glUseProgram(r.program);
    glUniform1i(glGetUniformLocation(r.program, "picture"), 0);
    return true;
}

void buildBuffers(Renderer& r) {
    glGenVertexArrays(1, &r.vertexArray);
    glBindVertexArray(r.vertexArray);
    glGenBuffers(1, &r.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, r.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, kRingVertices * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, col)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, tx)));

    // Every quad is two triangles over its corners in the order TL, TR, BR, BL.
    std::vector<GLushort> indices(kBatchQuads * 6);
    for (std::size_t q = 0; q < kBatchQuads; ++q) {
        const auto base = static_cast<GLushort>(q * 4);
        const GLushort corners[6] = {0, 1, 2, 2, 3, 0};
        for (std::size_t i = 0; i < 6; ++i) indices[q * 6 + i] = static_cast<GLushort>(base + corners[i]);
    }
    glGenBuffers(1, &r.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, r.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)),
                 indices.data(), GL_STATIC_DRAW);
}

bool buildFramebuffer(Renderer& r) {
    glGenRenderbuffers(1, &r.colourBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, r.colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kPictureWidth, kPictureHeight);
    glGenFramebuffers(1, &r.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, r.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, r.colourBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        logf("Renderer: the offscreen picture buffer is not usable");
        return false;
    }
    glViewport(0, 0, kPictureWidth, kPictureHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void enterNextSegment(Renderer& r) {
    r.fences[r.segment] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    r.segment = (r.segment + 1) % kSegments;
    r.segmentUsed = 0;
    if (GLsync fence = r.fences[r.segment]) {
        // Written a whole ring ago: normally long done. A second is generous for a driver
        // that is still working; past that, drawing on beats hanging.
        glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000);
        glDeleteSync(fence);
        r.fences[r.segment] = nullptr;
    }
}

void flush() {
    Renderer& r = renderer();
    if (r.count == 0) return;
    if (r.segmentUsed + r.count > kBatchVertices) enterNextSegment(r);
    const std::size_t offset = r.segment * kBatchVertices + r.segmentUsed;
    const auto bytes = static_cast<GLsizeiptr>(r.count * sizeof(Vertex));
    void* target =
        glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset * sizeof(Vertex)), bytes,
                         GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (target) {
        std::memcpy(target, r.batch.data(), static_cast<std::size_t>(bytes));
        glUnmapBuffer(GL_ARRAY_BUFFER);

        const GLuint name = textureName(r.texture);
        glBindTexture(GL_TEXTURE_2D, name);
        glUniform1i(r.texturedLocation, name != 0);
        glUniform1i(r.colourAddLocation, (r.blend & BLEND_COLORADD) != 0);
        glBlendFunc(GL_SRC_ALPHA, (r.blend & BLEND_ALPHABLEND) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
        const auto first = static_cast<GLint>(offset);
        if (r.primitive == Primitive::Quads)
            glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(r.count / 4 * 6), GL_UNSIGNED_SHORT,
                                     nullptr, first);
        else
            glDrawArrays(GL_LINES, first, static_cast<GLsizei>(r.count));
        ++r.current.drawCalls;
        r.segmentUsed += r.count;
    }
    r.count = 0;
}

// Makes room for `vertices` more in a batch of the given kind, drawing the batch so far
// when the kind changes or it is full.
Vertex* reserve(Primitive primitive, HTexture texture, std::int32_t blend, std::size_t vertices) {
    Renderer& r = renderer();
    blend &= BLEND_COLORADD | BLEND_ALPHABLEND;
    if (primitive != r.primitive || texture != r.texture || blend != r.blend ||
        r.count + vertices > kBatchVertices) {
        flush();
        r.primitive = primitive;
        r.texture = texture;
        r.blend = blend;
    }
    Vertex* v = r.batch.data() + r.count;
    r.count += vertices;
    return v;
}

void present() {
    Renderer& r = renderer();
    int width = kPictureWidth, height = kPictureHeight;
    SDL_GL_GetDrawableSize(window(), &width, &height);
    const Letterbox box = letterbox(width, height);
    const auto x0 = static_cast<GLint>(std::lround(box.x));
    const auto y0 = static_cast<GLint>(std::lround(box.y));
    const auto x1 = static_cast<GLint>(std::lround(box.x + kPictureWidth * box.scale));
    const auto y1 = static_cast<GLint>(std::lround(box.y + kPictureHeight * box.scale));
    const bool exact = x1 - x0 == kPictureWidth && y1 - y0 == kPictureHeight;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (x0 > 0 || y0 > 0) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBlitFramebuffer(0, 0, kPictureWidth, kPictureHeight, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT,
                      exact ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(window());
    glBindFramebuffer(GL_FRAMEBUFFER, r.framebuffer);
}

}  // namespace

bool rendererStartup() {
    Renderer& r = renderer();
    r = Renderer{};
    if (epoxy_gl_version() < 33) {
        logf("Renderer: OpenGL 3.3 is needed, the driver offers %d.%d", epoxy_gl_version() / 10,
             epoxy_gl_version() % 10);
        return false;
    }
    if (!buildProgram(r)) {
        rendererShutdown();
        return false;
    }
    buildBuffers(r);
    if (!buildFramebuffer(r)) {
        rendererShutdown();
        return false;
    }
    r.batch.resize(kBatchVertices);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glActiveTexture(GL_TEXTURE0);
    r.started = true;
    return true;
}

void rendererShutdown() {
    Renderer& r = renderer();
    for (GLsync fence : r.fences)
        if (fence) glDeleteSync(fence);
    if (r.program) glDeleteProgram(r.program);
    if (r.vertexBuffer) glDeleteBuffers(1, &r.vertexBuffer);
    if (r.indexBuffer) glDeleteBuffers(1, &r.indexBuffer);
    if (r.vertexArray) glDeleteVertexArrays(1, &r.vertexArray);
    if (r.framebuffer) glDeleteFramebuffers(1, &r.framebuffer);
    if (r.colourBuffer) glDeleteRenderbuffers(1, &r.colourBuffer);
    r = Renderer{};
}

void rendererForget(HTexture texture) {
    Renderer& r = renderer();
    if (r.started && r.count > 0 && r.texture == texture) flush();
}

FrameStats lastFrameStats() { return renderer().last; }

}  // namespace desktop

using desktop::renderer;

bool Engine::Gfx_BeginScene(std::uint32_t target) {
    desktop::Renderer& r = renderer();
    if (!r.started) return false;
    if (target != 0) {
        desktop::logf("Gfx_BeginScene: render targets are not supported");
        return false;
    }
    if (r.inScene) {
        desktop::logf("Gfx_BeginScene: a scene is already begun");
        return false;
    }
    r.inScene = true;
    r.current = desktop::FrameStats{};
    return true;
}

void Engine::Gfx_EndScene() {
    desktop::Renderer& r = renderer();
    if (!r.inScene) return;
    desktop::flush();
    desktop::present();
    r.last = r.current;
    r.inScene = false;
}

void Engine::Gfx_Clear(std::uint32_t color) {
    desktop::Renderer& r = renderer();
    if (!r.inScene) return;
    desktop::flush();
    const auto channel = [color](int shift) { return static_cast<float>((color >> shift) & 0xFFu) / 255.0f; };
    glClearColor(channel(16), channel(8), channel(0), channel(24));
    glClear(GL_COLOR_BUFFER_BIT);
}

void Engine::Gfx_RenderQuad(const Quad* quad) {
    desktop::Renderer& r = renderer();
    if (!r.inScene || !quad) return;
    // With all four corners at alpha 0 every fragment has alpha 0, which leaves the picture
    // as it was in every blend mode. The game's fade overlay is such a quad in most frames:
    // drawing it would blend the whole screen for nothing.
    if ((quad->v[0].col | quad->v[1].col | quad->v[2].col | quad->v[3].col) >> 24 == 0) return;
    Vertex* v = desktop::reserve(desktop::Primitive::Quads, quad->tex, quad->blend, 4);
    std::memcpy(v, quad->v, sizeof quad->v);
    ++r.current.quads;
}

void Engine::Gfx_RenderLine(float x1, float y1, float x2, float y2, std::uint32_t color, float z) {
    desktop::Renderer& r = renderer();
    if (!r.inScene) return;
    Vertex* v = desktop::reserve(desktop::Primitive::Lines, 0, BLEND_DEFAULT, 2);
    // Through pixel centres, so a line at whole coordinates covers exactly one row or column.
    v[0] = Vertex{x1 + 0.5f, y1 + 0.5f, z, color, 0.0f, 0.0f};
    v[1] = Vertex{x2 + 0.5f, y2 + 0.5f, z, color, 0.0f, 0.0f};
    ++r.current.lines;
}

bool Engine::System_Snapshot(const char* pngPath) {
    desktop::Renderer& r = renderer();
    if (!pngPath) return false;
    if (!r.started) {
        desktop::logf("System_Snapshot: the engine is not initiated");
        return false;
    }
    if (r.inScene) {
        desktop::logf("System_Snapshot: not while a scene is being drawn");
        return false;
    }
    constexpr int w = desktop::kPictureWidth, h = desktop::kPictureHeight;
    constexpr std::size_t row = static_cast<std::size_t>(w) * 3;
    std::vector<unsigned char> pixels(row * h), flipped(row * h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, r.framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up, PNG rows top-down.
    for (std::size_t y = 0; y < h; ++y) std::memcpy(&flipped[y * row], &pixels[(h - 1 - y) * row], row);
    if (!stbi_write_png(pngPath, w, h, 3, flipped.data(), static_cast<int>(row))) {
        desktop::logf("System_Snapshot: cannot write %s", pngPath);
        return false;
    }
    return true;
}
