// Each texel of the sampled image fetched by a shader and stored into an RGBA8 storage image:
// what a Vulkan shader sees of the texture.
#version 450
layout(local_size_x = 16, local_size_y = 16) in;
layout(binding = 0) uniform sampler2D source;
layout(binding = 1, rgba8) uniform writeonly image2D target;
void main()
{
    ivec2 p = ivec2(gl_GlobalInvocationID.xy);
    imageStore(target, p, texelFetch(source, p, 0));
}
