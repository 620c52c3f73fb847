#include "graphics/direct3d11/PipelineState.h"

#include <algorithm>
#include <initializer_list>

namespace Vennicor::Graphics::Direct3D11 {

SavedPipelineState::SavedPipelineState(ID3D11DeviceContext* context) : context(context) {
  context->IAGetInputLayout(layout.GetAddressOf());
  context->IAGetPrimitiveTopology(&topology);
  context->IAGetVertexBuffers(0, 1, vertexBuffer.GetAddressOf(), &vertexStride, &vertexOffset);
  context->IAGetIndexBuffer(indexBuffer.GetAddressOf(), &indexFormat, &indexOffset);
  // The count goes in as the array's capacity and comes back as the number bound.
  vertex.InstanceCount = pixel.InstanceCount = geometry.InstanceCount = hull.InstanceCount =
      domain.InstanceCount = D3D11_SHADER_MAX_INTERFACES;
  context->VSGetShader(vertex.Program.GetAddressOf(), vertex.Instances.data(),
                       &vertex.InstanceCount);
  context->PSGetShader(pixel.Program.GetAddressOf(), pixel.Instances.data(), &pixel.InstanceCount);
  context->GSGetShader(geometry.Program.GetAddressOf(), geometry.Instances.data(),
                       &geometry.InstanceCount);
  context->HSGetShader(hull.Program.GetAddressOf(), hull.Instances.data(), &hull.InstanceCount);
  context->DSGetShader(domain.Program.GetAddressOf(), domain.Instances.data(),
                       &domain.InstanceCount);
  // A context that ignores class instances (Wine's) may leave the capacity in the count.
  for (UINT* count : {&vertex.InstanceCount, &pixel.InstanceCount, &geometry.InstanceCount,
                      &hull.InstanceCount, &domain.InstanceCount}) {
    *count = std::min<UINT>(*count, D3D11_SHADER_MAX_INTERFACES);
  }
  vertex.Trim();
  pixel.Trim();
  geometry.Trim();
  hull.Trim();
  domain.Trim();
  context->VSGetConstantBuffers(0, 1, vertexConstants.GetAddressOf());
  context->PSGetConstantBuffers(0, 1, pixelConstants.GetAddressOf());
  context->PSGetShaderResources(0, 1, pixelResource.GetAddressOf());
  context->PSGetSamplers(0, 1, pixelSampler.GetAddressOf());
  context->RSGetState(rasterizer.GetAddressOf());
  context->OMGetBlendState(blend.GetAddressOf(), blendFactor.data(), &sampleMask);
  context->OMGetDepthStencilState(depthStencil.GetAddressOf(), &stencilReference);
}

SavedPipelineState::~SavedPipelineState() {
  context->IASetInputLayout(layout.Get());
  context->IASetPrimitiveTopology(topology);
  ID3D11Buffer* const vertices[] = {vertexBuffer.Get()};
  context->IASetVertexBuffers(0, 1, vertices, &vertexStride, &vertexOffset);
  context->IASetIndexBuffer(indexBuffer.Get(), indexFormat, indexOffset);
  context->VSSetShader(vertex.Program.Get(), vertex.Instances.data(), vertex.InstanceCount);
  context->PSSetShader(pixel.Program.Get(), pixel.Instances.data(), pixel.InstanceCount);
  context->GSSetShader(geometry.Program.Get(), geometry.Instances.data(), geometry.InstanceCount);
  context->HSSetShader(hull.Program.Get(), hull.Instances.data(), hull.InstanceCount);
  context->DSSetShader(domain.Program.Get(), domain.Instances.data(), domain.InstanceCount);
  ID3D11Buffer* const vertexConstantBuffers[] = {vertexConstants.Get()};
  context->VSSetConstantBuffers(0, 1, vertexConstantBuffers);
  ID3D11Buffer* const pixelConstantBuffers[] = {pixelConstants.Get()};
  context->PSSetConstantBuffers(0, 1, pixelConstantBuffers);
  ID3D11ShaderResourceView* const resources[] = {pixelResource.Get()};
  context->PSSetShaderResources(0, 1, resources);
  ID3D11SamplerState* const samplers[] = {pixelSampler.Get()};
  context->PSSetSamplers(0, 1, samplers);
  context->RSSetState(rasterizer.Get());
  context->OMSetBlendState(blend.Get(), blendFactor.data(), sampleMask);
  context->OMSetDepthStencilState(depthStencil.Get(), stencilReference);
}

}  // namespace Vennicor::Graphics::Direct3D11
