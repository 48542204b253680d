// A GL or GLES context with no surface on EGL's surfaceless platform (see gpu_support.h).
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <string>

#include "tests/gpu/gpu_support.h"

namespace qfb_gpu {

EglContext::~EglContext()
{
    if (display_ == nullptr) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr) eglDestroyContext(display_, context_);
    eglTerminate(display_);
}

std::string EglContext::make(bool es, int major, int minor)
{
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (client == nullptr || std::strstr(client, "EGL_MESA_platform_surfaceless") == nullptr)
        return "EGL has no surfaceless platform (Mesa's libegl-mesa0 is not installed)";
    auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_display == nullptr) return "EGL lacks eglGetPlatformDisplayEXT";
    display_ = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
        display_ = nullptr;
        return "EGL's surfaceless platform has no device";
    }
    if (!eglBindAPI(es ? EGL_OPENGL_ES_API : EGL_OPENGL_API)) return "EGL cannot bind the API";
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE,
                                        es ? EGL_OPENGL_ES3_BIT : EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display_, config_attributes, &config, 1, &configs) || configs < 1)
        return "EGL has no configuration for the API";
    const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, major, EGL_CONTEXT_MINOR_VERSION, minor,
                                         es ? EGL_NONE : EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, context_attributes);
    if (context_ == EGL_NO_CONTEXT) {
        context_ = nullptr;
        return std::string("EGL gives no ") + (es ? "OpenGL ES " : "OpenGL core ") + std::to_string(major) + "." +
               std::to_string(minor) + " context";
    }
    if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) return "EGL cannot make the context current";
    return {};
}

}  // namespace qfb_gpu
