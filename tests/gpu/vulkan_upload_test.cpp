// Vulkan 1.3 on a real driver (lavapipe in CI) with the validation layer on, and any warning or
// error it reports a failure: every word value of each format uploaded as qfb_upload_facts says,
// read back as words (vkCmdCopyImageToBuffer: the words given), blitted to R8G8B8A8
// (vkCmdBlitImage) and fetched by a compute shader into an RGBA8 storage image: the GPU form. The
// same for the KTX2 textures of every word, uploaded in the vkFormat the file names.
#include <vulkan/vulkan.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "copy_texels.comp.h"  // made from copy_texels.comp at build time
#include "ktx2.h"
#include "ktx2_layout.h"
#include "tests/gpu/gpu_support.h"

namespace {

using qfb_gpu::differences;

constexpr uint32_t kSide = 256;
constexpr VkDeviceSize kWordBytes = kSide * kSide * 2, kPixelBytes = kSide * kSide * 4;

std::vector<std::string> g_messages;  // what the validation layer reported

VKAPI_ATTR VkBool32 VKAPI_CALL on_message(VkDebugUtilsMessageSeverityFlagBitsEXT, VkDebugUtilsMessageTypeFlagsEXT,
                                          const VkDebugUtilsMessengerCallbackDataEXT* data, void*)
{
    g_messages.emplace_back(data->pMessage != nullptr ? data->pMessage : "(no text)");
    return VK_FALSE;
}

#define VK_ASSERT(call) ASSERT_EQ((call), VK_SUCCESS) << #call

// Runs the destructions queued, last first.
struct Cleanup {
    std::vector<std::function<void()>> steps;
    void later(std::function<void()> step) { steps.push_back(std::move(step)); }
    ~Cleanup()
    {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) (*it)();
    }
};

void transition(VkCommandBuffer commands, VkImage image, VkImageLayout from, VkImageLayout to, VkAccessFlags done,
                VkAccessFlags next, VkPipelineStageFlags after, VkPipelineStageFlags before)
{
    VkImageMemoryBarrier barrier{};
    barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
    barrier.srcAccessMask = done;
    barrier.dstAccessMask = next;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdPipelineBarrier(commands, after, before, 0, 0, nullptr, 0, nullptr, 1, &barrier);
}

void copy_to_buffer(VkCommandBuffer commands, VkImage image, VkBuffer buffer)
{
    VkBufferImageCopy region{};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {kSide, kSide, 1};
    vkCmdCopyImageToBuffer(commands, image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, buffer, 1, &region);
}

class VulkanUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        uint32_t count = 0;
        vkEnumerateInstanceLayerProperties(&count, nullptr);
        std::vector<VkLayerProperties> layers(count);
        vkEnumerateInstanceLayerProperties(&count, layers.data());
        bool validation = false;
        for (const VkLayerProperties& layer : layers)
            validation = validation || std::strcmp(layer.layerName, "VK_LAYER_KHRONOS_validation") == 0;
        if (!validation)
            QFB_GPU_UNAVAILABLE("the Vulkan validation layer is not installed (Debian: vulkan-validationlayers)");

        VkDebugUtilsMessengerCreateInfoEXT messenger{};
        messenger.sType = VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT;
        messenger.messageSeverity =
            VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
        messenger.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT |
                                VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT |
                                VK_DEBUG_UTILS_MESSAGE_TYPE_PERFORMANCE_BIT_EXT;
        messenger.pfnUserCallback = on_message;
        VkApplicationInfo app{};
        app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
        app.pApplicationName = "qfb upload test";
        app.apiVersion = VK_API_VERSION_1_3;
        const char* layer_name = "VK_LAYER_KHRONOS_validation";
        const char* extension = VK_EXT_DEBUG_UTILS_EXTENSION_NAME;
        VkInstanceCreateInfo instance_info{};
        instance_info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
        instance_info.pNext = &messenger;  // messages of the instance's creation and destruction too
        instance_info.pApplicationInfo = &app;
        instance_info.enabledLayerCount = 1;
        instance_info.ppEnabledLayerNames = &layer_name;
        instance_info.enabledExtensionCount = 1;
        instance_info.ppEnabledExtensionNames = &extension;
        if (vkCreateInstance(&instance_info, nullptr, &instance_) != VK_SUCCESS) {
            instance_ = VK_NULL_HANDLE;
            g_messages.clear();  // the loader's own account of the missing driver
            QFB_GPU_UNAVAILABLE("no Vulkan 1.3 instance with the validation layer (Debian: mesa-vulkan-drivers)");
        }
        auto create_messenger = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance_, "vkCreateDebugUtilsMessengerEXT"));
        ASSERT_NE(create_messenger, nullptr);
        VK_ASSERT(create_messenger(instance_, &messenger, nullptr, &messenger_));

        vkEnumeratePhysicalDevices(instance_, &count, nullptr);
        std::vector<VkPhysicalDevice> devices(count);
        vkEnumeratePhysicalDevices(instance_, &count, devices.data());
        // A Vulkan 1.3 device, a CPU one (lavapipe) first.
        for (const VkPhysicalDevice device : devices) {
            VkPhysicalDeviceProperties properties;
            vkGetPhysicalDeviceProperties(device, &properties);
            if (properties.apiVersion < VK_API_VERSION_1_3) continue;
            if (physical_ == VK_NULL_HANDLE || properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU) {
                physical_ = device;
                device_name_ = properties.deviceName;
            }
        }
        if (physical_ == VK_NULL_HANDLE) QFB_GPU_UNAVAILABLE("no Vulkan 1.3 device (Debian: mesa-vulkan-drivers)");
        std::printf("Vulkan device: %s\n", device_name_.c_str());

        vkGetPhysicalDeviceQueueFamilyProperties(physical_, &count, nullptr);
        std::vector<VkQueueFamilyProperties> families(count);
        vkGetPhysicalDeviceQueueFamilyProperties(physical_, &count, families.data());
        for (family_ = 0; family_ < count; ++family_)
            if ((families[family_].queueFlags & (VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT)) ==
                (VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT))
                break;
        ASSERT_LT(family_, count) << "no queue for blits and compute";
        const float priority = 1.0f;
        VkDeviceQueueCreateInfo queue_info{};
        queue_info.sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO;
        queue_info.queueFamilyIndex = family_;
        queue_info.queueCount = 1;
        queue_info.pQueuePriorities = &priority;
        VkDeviceCreateInfo device_info{};
        device_info.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
        device_info.queueCreateInfoCount = 1;
        device_info.pQueueCreateInfos = &queue_info;
        VK_ASSERT(vkCreateDevice(physical_, &device_info, nullptr, &device_));
        vkGetDeviceQueue(device_, family_, 0, &queue_);
    }

    void TearDown() override
    {
        if (device_ != VK_NULL_HANDLE) vkDestroyDevice(device_, nullptr);
        if (messenger_ != VK_NULL_HANDLE) {
            auto destroy_messenger = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
                vkGetInstanceProcAddr(instance_, "vkDestroyDebugUtilsMessengerEXT"));
            destroy_messenger(instance_, messenger_, nullptr);
        }
        if (instance_ != VK_NULL_HANDLE) vkDestroyInstance(instance_, nullptr);
        for (const std::string& message : g_messages) ADD_FAILURE() << "validation: " << message;
    }

    uint32_t memory_type(uint32_t allowed, VkMemoryPropertyFlags wanted)
    {
        VkPhysicalDeviceMemoryProperties memory;
        vkGetPhysicalDeviceMemoryProperties(physical_, &memory);
        for (uint32_t i = 0; i < memory.memoryTypeCount; ++i)
            if ((allowed & (1u << i)) != 0 && (memory.memoryTypes[i].propertyFlags & wanted) == wanted) return i;
        ADD_FAILURE() << "no memory type " << wanted;
        return 0;
    }

    VkDeviceMemory bind(Cleanup& cleanup, VkMemoryRequirements needs, VkMemoryPropertyFlags wanted)
    {
        VkMemoryAllocateInfo allocate{};
        allocate.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
        allocate.allocationSize = needs.size;
        allocate.memoryTypeIndex = memory_type(needs.memoryTypeBits, wanted);
        VkDeviceMemory memory = VK_NULL_HANDLE;
        EXPECT_EQ(vkAllocateMemory(device_, &allocate, nullptr, &memory), VK_SUCCESS);
        cleanup.later([this, memory] { vkFreeMemory(device_, memory, nullptr); });
        return memory;
    }

    // A host-visible buffer of size bytes and its mapping.
    VkBuffer host_buffer(Cleanup& cleanup, VkDeviceSize size, VkBufferUsageFlags usage, uint8_t** mapped)
    {
        VkBufferCreateInfo info{};
        info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
        info.size = size;
        info.usage = usage;
        VkBuffer buffer = VK_NULL_HANDLE;
        EXPECT_EQ(vkCreateBuffer(device_, &info, nullptr, &buffer), VK_SUCCESS);
        VkMemoryRequirements needs;
        vkGetBufferMemoryRequirements(device_, buffer, &needs);
        const VkDeviceMemory memory =
            bind(cleanup, needs, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
        cleanup.later([this, buffer] { vkDestroyBuffer(device_, buffer, nullptr); });
        EXPECT_EQ(vkBindBufferMemory(device_, buffer, memory, 0), VK_SUCCESS);
        void* pointer = nullptr;
        EXPECT_EQ(vkMapMemory(device_, memory, 0, size, 0, &pointer), VK_SUCCESS);
        *mapped = static_cast<uint8_t*>(pointer);
        return buffer;
    }

    // A 256 x 256 optimal-tiling image in device memory, and a view of it, its components mapped as
    // given, when view is given.
    VkImage image(Cleanup& cleanup, VkFormat format, VkImageUsageFlags usage, VkImageView* view,
                  VkComponentMapping components = {})
    {
        VkImageCreateInfo info{};
        info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
        info.imageType = VK_IMAGE_TYPE_2D;
        info.format = format;
        info.extent = {kSide, kSide, 1};
        info.mipLevels = 1;
        info.arrayLayers = 1;
        info.samples = VK_SAMPLE_COUNT_1_BIT;
        info.tiling = VK_IMAGE_TILING_OPTIMAL;
        info.usage = usage;
        info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
        VkImage made = VK_NULL_HANDLE;
        EXPECT_EQ(vkCreateImage(device_, &info, nullptr, &made), VK_SUCCESS);
        VkMemoryRequirements needs;
        vkGetImageMemoryRequirements(device_, made, &needs);
        const VkDeviceMemory memory = bind(cleanup, needs, 0);
        cleanup.later([this, made] { vkDestroyImage(device_, made, nullptr); });
        EXPECT_EQ(vkBindImageMemory(device_, made, memory, 0), VK_SUCCESS);
        if (view != nullptr) {
            VkImageViewCreateInfo view_info{};
            view_info.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
            view_info.image = made;
            view_info.viewType = VK_IMAGE_VIEW_TYPE_2D;
            view_info.format = format;
            view_info.components = components;
            view_info.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
            EXPECT_EQ(vkCreateImageView(device_, &view_info, nullptr, view), VK_SUCCESS);
            const VkImageView made_view = *view;
            cleanup.later([this, made_view] { vkDestroyImageView(device_, made_view, nullptr); });
        }
        return made;
    }

    // What the GPU gives back of a 256 x 256 image of words uploaded in vk_format: the words copied
    // back (vkCmdCopyImageToBuffer), a blit to R8G8B8A8 (vkCmdBlitImage) and a compute shader's
    // fetch of each texel stored into an RGBA8 image. Failures are the assertions'.
    struct Readback {
        std::vector<uint8_t> raw, blitted, fetched;
    };
    bool samples_and_blits(VkFormat vk_format)
    {
        const VkFormatFeatureFlags needed = VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT | VK_FORMAT_FEATURE_BLIT_SRC_BIT |
                                            VK_FORMAT_FEATURE_TRANSFER_SRC_BIT | VK_FORMAT_FEATURE_TRANSFER_DST_BIT;
        VkFormatProperties properties;
        vkGetPhysicalDeviceFormatProperties(physical_, vk_format, &properties);
        return (properties.optimalTilingFeatures & needed) == needed;
    }
    // The shader samples through a view whose components are mapped as given (the blit does not).
    void upload_and_read(VkFormat vk_format, const uint8_t* words, Readback* read, VkComponentMapping components = {})
    {
        ASSERT_TRUE(samples_and_blits(vk_format)) << device_name_ << " cannot sample and blit it";
        Cleanup cleanup;

        uint8_t *upload = nullptr, *raw = nullptr, *blitted = nullptr, *fetched = nullptr;
        const VkBuffer upload_buffer = host_buffer(cleanup, kWordBytes, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, &upload);
        const VkBuffer raw_buffer = host_buffer(cleanup, kWordBytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT, &raw);
        const VkBuffer blit_buffer = host_buffer(cleanup, kPixelBytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT, &blitted);
        const VkBuffer fetch_buffer = host_buffer(cleanup, kPixelBytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT, &fetched);
        std::memcpy(upload, words, kWordBytes);

        VkImageView source_view = VK_NULL_HANDLE, stored_view = VK_NULL_HANDLE;
        const VkImage source = image(cleanup, vk_format,
                                     VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                                         VK_IMAGE_USAGE_SAMPLED_BIT,
                                     &source_view, components);
        const VkImage blit_target = image(cleanup, VK_FORMAT_R8G8B8A8_UNORM,
                                          VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT, nullptr);
        const VkImage stored = image(cleanup, VK_FORMAT_R8G8B8A8_UNORM,
                                     VK_IMAGE_USAGE_STORAGE_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT, &stored_view);

        // The compute shader that fetches each texel into the storage image.
        VkSamplerCreateInfo sampler_info{};
        sampler_info.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
        sampler_info.magFilter = sampler_info.minFilter = VK_FILTER_NEAREST;
        sampler_info.addressModeU = sampler_info.addressModeV = sampler_info.addressModeW =
            VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
        VkSampler sampler = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateSampler(device_, &sampler_info, nullptr, &sampler));
        cleanup.later([this, sampler] { vkDestroySampler(device_, sampler, nullptr); });
        const VkDescriptorSetLayoutBinding bindings[] = {
            {0, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
            {1, VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr}};
        VkDescriptorSetLayoutCreateInfo set_layout_info{};
        set_layout_info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
        set_layout_info.bindingCount = 2;
        set_layout_info.pBindings = bindings;
        VkDescriptorSetLayout set_layout = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateDescriptorSetLayout(device_, &set_layout_info, nullptr, &set_layout));
        cleanup.later([this, set_layout] { vkDestroyDescriptorSetLayout(device_, set_layout, nullptr); });
        VkPipelineLayoutCreateInfo pipeline_layout_info{};
        pipeline_layout_info.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
        pipeline_layout_info.setLayoutCount = 1;
        pipeline_layout_info.pSetLayouts = &set_layout;
        VkPipelineLayout pipeline_layout = VK_NULL_HANDLE;
        VK_ASSERT(vkCreatePipelineLayout(device_, &pipeline_layout_info, nullptr, &pipeline_layout));
        cleanup.later([this, pipeline_layout] { vkDestroyPipelineLayout(device_, pipeline_layout, nullptr); });
        VkShaderModuleCreateInfo module_info{};
        module_info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
        module_info.codeSize = sizeof kCopyTexelsSpirv;
        module_info.pCode = kCopyTexelsSpirv;
        VkShaderModule module = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateShaderModule(device_, &module_info, nullptr, &module));
        cleanup.later([this, module] { vkDestroyShaderModule(device_, module, nullptr); });
        VkComputePipelineCreateInfo pipeline_info{};
        pipeline_info.sType = VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO;
        pipeline_info.stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
        pipeline_info.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
        pipeline_info.stage.module = module;
        pipeline_info.stage.pName = "main";
        pipeline_info.layout = pipeline_layout;
        VkPipeline pipeline = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateComputePipelines(device_, VK_NULL_HANDLE, 1, &pipeline_info, nullptr, &pipeline));
        cleanup.later([this, pipeline] { vkDestroyPipeline(device_, pipeline, nullptr); });
        const VkDescriptorPoolSize pool_sizes[] = {{VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1},
                                                   {VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, 1}};
        VkDescriptorPoolCreateInfo pool_info{};
        pool_info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
        pool_info.maxSets = 1;
        pool_info.poolSizeCount = 2;
        pool_info.pPoolSizes = pool_sizes;
        VkDescriptorPool pool = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateDescriptorPool(device_, &pool_info, nullptr, &pool));
        cleanup.later([this, pool] { vkDestroyDescriptorPool(device_, pool, nullptr); });
        VkDescriptorSetAllocateInfo set_info{};
        set_info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
        set_info.descriptorPool = pool;
        set_info.descriptorSetCount = 1;
        set_info.pSetLayouts = &set_layout;
        VkDescriptorSet set = VK_NULL_HANDLE;
        VK_ASSERT(vkAllocateDescriptorSets(device_, &set_info, &set));
        const VkDescriptorImageInfo sampled{sampler, source_view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
        const VkDescriptorImageInfo storage{VK_NULL_HANDLE, stored_view, VK_IMAGE_LAYOUT_GENERAL};
        VkWriteDescriptorSet writes[2] = {};
        for (int i = 0; i < 2; ++i) {
            writes[i].sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
            writes[i].dstSet = set;
            writes[i].dstBinding = static_cast<uint32_t>(i);
            writes[i].descriptorCount = 1;
            writes[i].descriptorType = bindings[i].descriptorType;
            writes[i].pImageInfo = i == 0 ? &sampled : &storage;
        }
        vkUpdateDescriptorSets(device_, 2, writes, 0, nullptr);

        VkCommandPoolCreateInfo command_pool_info{};
        command_pool_info.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
        command_pool_info.queueFamilyIndex = family_;
        VkCommandPool command_pool = VK_NULL_HANDLE;
        VK_ASSERT(vkCreateCommandPool(device_, &command_pool_info, nullptr, &command_pool));
        cleanup.later([this, command_pool] { vkDestroyCommandPool(device_, command_pool, nullptr); });
        VkCommandBufferAllocateInfo command_info{};
        command_info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
        command_info.commandPool = command_pool;
        command_info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        command_info.commandBufferCount = 1;
        VkCommandBuffer commands = VK_NULL_HANDLE;
        VK_ASSERT(vkAllocateCommandBuffers(device_, &command_info, &commands));
        VkCommandBufferBeginInfo begin{};
        begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
        begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
        VK_ASSERT(vkBeginCommandBuffer(commands, &begin));

        const VkPipelineStageFlags transfer = VK_PIPELINE_STAGE_TRANSFER_BIT,
                                   compute = VK_PIPELINE_STAGE_COMPUTE_SHADER_BIT;
        // The words into the image, and back out as they are.
        transition(commands, source, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 0,
                   VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, transfer);
        VkBufferImageCopy region{};
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.imageExtent = {kSide, kSide, 1};
        vkCmdCopyBufferToImage(commands, upload_buffer, source, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
        transition(commands, source, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                   VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT, transfer, transfer);
        copy_to_buffer(commands, source, raw_buffer);
        // A blit of the same size to R8G8B8A8.
        transition(commands, blit_target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 0,
                   VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, transfer);
        VkImageBlit blit{};
        blit.srcSubresource = blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        blit.srcOffsets[1] = blit.dstOffsets[1] = {static_cast<int32_t>(kSide), static_cast<int32_t>(kSide), 1};
        vkCmdBlitImage(commands, source, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, blit_target,
                       VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &blit, VK_FILTER_NEAREST);
        transition(commands, blit_target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                   VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT, transfer, transfer);
        copy_to_buffer(commands, blit_target, blit_buffer);
        // Each texel fetched by the shader.
        transition(commands, source, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                   0, VK_ACCESS_SHADER_READ_BIT, transfer, compute);
        transition(commands, stored, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_GENERAL, 0, VK_ACCESS_SHADER_WRITE_BIT,
                   VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, compute);
        vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline);
        vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline_layout, 0, 1, &set, 0, nullptr);
        vkCmdDispatch(commands, kSide / 16, kSide / 16, 1);
        transition(commands, stored, VK_IMAGE_LAYOUT_GENERAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                   VK_ACCESS_SHADER_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT, compute, transfer);
        copy_to_buffer(commands, stored, fetch_buffer);
        // Every copy seen by the host.
        VkMemoryBarrier to_host{};
        to_host.sType = VK_STRUCTURE_TYPE_MEMORY_BARRIER;
        to_host.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        to_host.dstAccessMask = VK_ACCESS_HOST_READ_BIT;
        vkCmdPipelineBarrier(commands, transfer, VK_PIPELINE_STAGE_HOST_BIT, 0, 1, &to_host, 0, nullptr, 0, nullptr);
        VK_ASSERT(vkEndCommandBuffer(commands));
        VkSubmitInfo submit{};
        submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
        submit.commandBufferCount = 1;
        submit.pCommandBuffers = &commands;
        VK_ASSERT(vkQueueSubmit(queue_, 1, &submit, VK_NULL_HANDLE));
        VK_ASSERT(vkQueueWaitIdle(queue_));
        read->raw.assign(raw, raw + kWordBytes);
        read->blitted.assign(blitted, blitted + kPixelBytes);
        read->fetched.assign(fetched, fetched + kPixelBytes);
    }

    VkInstance instance_ = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
    VkPhysicalDevice physical_ = VK_NULL_HANDLE;
    VkDevice device_ = VK_NULL_HANDLE;
    VkQueue queue_ = VK_NULL_HANDLE;
    uint32_t family_ = 0;
    std::string device_name_;
};

TEST_F(VulkanUpload, EveryWordReadsBackAsGivenAndSamplesAsTheGpuForm)
{
    const std::vector<uint8_t> words = qfb_gpu::every_word();
    for (const int32_t format : {QFB_FORMAT_1555, QFB_FORMAT_4444, QFB_FORMAT_565}) {
        SCOPED_TRACE(qfb_format_name(format));
        const qfb_upload* facts = qfb_upload_facts(format);
        std::vector<uint8_t> given(kWordBytes);
        ASSERT_EQ(qfb_convert_words(words.data(), words.size() / 2, format, facts->vulkan_target, given.data()), QFB_OK);
        Readback read;
        upload_and_read(static_cast<VkFormat>(facts->vulkan_format), given.data(), &read);
        std::vector<uint8_t> gpu_form(kPixelBytes);
        qfb_expand_words_gpu(words.data(), words.size() / 2, format, QFB_ORDER_RGBA, gpu_form.data());
        EXPECT_EQ(differences(read.raw, given, 2), "") << "vkCmdCopyImageToBuffer";
        EXPECT_EQ(differences(read.blitted, gpu_form, 4), "") << "vkCmdBlitImage";
        EXPECT_EQ(differences(read.fetched, gpu_form, 4), "") << "compute shader";
    }
}

// A KTX2 texture of every word, in each format of both choices, uploaded with the vkFormat its
// header names from the bytes its level index points to, samples and blits as the GPU form of the
// QFB words.
TEST_F(VulkanUpload, Ktx2TexturesSampleAsTheGpuFormInTheirOwnVkFormat)
{
    for (const int32_t format : {QFB_FORMAT_1555, QFB_FORMAT_4444, QFB_FORMAT_565}) {
        for (const Ktx2Choice choice : {Ktx2Choice::portable, Ktx2Choice::as_stored}) {
            Ktx2Frames frames{format, kSide, kSide, 1, 1, 1, qfb_gpu::every_word()};
            std::vector<uint8_t> file;
            ASSERT_EQ(write_ktx2(frames, choice, "", &file), Ktx2Problem::none);
            const uint32_t vk_format = ktx2_get32(&file[KTX2_VK_FORMAT]);
            SCOPED_TRACE(ktx2_vk_format_name(vk_format));
            const uint64_t at = ktx2_get64(&file[KTX2_HEADER_SIZE]), size = ktx2_get64(&file[KTX2_HEADER_SIZE + 8]);
            ASSERT_EQ(size, kWordBytes);
            ASSERT_LE(at + size, file.size());
            // R4G4B4A4 is optional in Vulkan (lavapipe has none): where it is missing, the same bits
            // go up as B4G4R4A4, which every device has, red and blue swapped back in the view.
            VkFormat upload_format = static_cast<VkFormat>(vk_format);
            VkComponentMapping components = {};
            if (upload_format == VK_FORMAT_R4G4B4A4_UNORM_PACK16 && !samples_and_blits(upload_format)) {
                upload_format = VK_FORMAT_B4G4R4A4_UNORM_PACK16;
                components = {VK_COMPONENT_SWIZZLE_B, VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_R,
                              VK_COMPONENT_SWIZZLE_IDENTITY};
                std::printf("%s has no R4G4B4A4: uploaded as B4G4R4A4, red and blue swapped in the view\n",
                            device_name_.c_str());
            }
            Readback read;
            upload_and_read(upload_format, &file[at], &read, components);
            std::vector<uint8_t> gpu_form(kPixelBytes);
            qfb_expand_words_gpu(frames.words.data(), kSide * kSide, format, QFB_ORDER_RGBA, gpu_form.data());
            EXPECT_EQ(differences(read.fetched, gpu_form, 4), "") << "compute shader";
            if (upload_format == static_cast<VkFormat>(vk_format)) {
                EXPECT_EQ(differences(read.blitted, gpu_form, 4), "") << "vkCmdBlitImage";
            }
        }
    }
}

}  // namespace
